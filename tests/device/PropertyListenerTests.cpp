// The Core Audio listener: which notifications reach the panel, and how rate changes are mirrored.
#include "DeviceTestSupport.h"

using namespace device_tests;

namespace
{
    AudioObjectPropertyAddress address (AudioObjectPropertySelector selector,
                                        AudioObjectPropertyScope scope = kAudioObjectPropertyScopeOutput,
                                        AudioObjectPropertyElement element = 0)
    {
        return { selector, scope, element };
    }

    constexpr auto volm = kAudioDevicePropertyVolumeScalar;
}

class PropertyListener : public DeviceTest
{
protected:
    // One object serving input and output, with the listener on it.
    AudioObjectID installCombined()
    {
        fillContextOnly();
        const auto device = world().addAudioDevice (offeringEveryRate (audioDevice()));
        lookUpAudioDevices();
        EXPECT_EQ (audioIds(), AudioIds (device, device));
        return device;
    }

    // Runs the change and waits until the listener has handled what it announced.
    template <typename Change>
    std::vector<OXV_CallbackEvent> eventsAfter (Change&& change)
    {
        recorder().clear();
        const auto calls = world().listenerCallsDelivered();
        change();
        EXPECT_TRUE (testing_support::pumpUntil (
            [calls] { return world().listenerCallsDelivered() > calls && world().listenerIdle(); }));
        return recorder().kinds();
    }

    std::vector<OXV_CallbackEvent> eventsFor (AudioObjectID object, std::vector<AudioObjectPropertyAddress> addresses)
    {
        return eventsAfter ([&] { world().notify (object, std::move (addresses)); });
    }

    std::vector<OXV_CallbackEvent> eventsForRate (AudioObjectID object, double rate)
    {
        return eventsAfter ([&] { EXPECT_EQ (world().externalSetNominalRate (object, rate), 0); });
    }

    static std::vector<OXV_CallbackEvent> changed (std::size_t count)
    {
        return std::vector<OXV_CallbackEvent> (count, deviceEventChanged);
    }
};

TEST_F (PropertyListener, RunsOffTheMessageThread)
{
    const auto device = installCombined();
    world().externalSetMute (device, kAudioObjectPropertyScopeOutput, true);
    ASSERT_TRUE (waitForEvents (1));

    const auto events = recorder().events();
    EXPECT_EQ (events[0].event, deviceEventChanged);
    EXPECT_FALSE (events[0].onMessageThread);
}

TEST_F (PropertyListener, MuteThruAndDataSourceAlwaysRaiseOneEventEach)
{
    const auto device = installCombined();

    EXPECT_EQ (eventsFor (device, { address (kAudioDevicePropertyMute) }), changed (1));
    EXPECT_EQ (eventsFor (device, { address (kAudioDevicePropertyPlayThru, kAudioObjectPropertyScopeInput) }), changed (1));
    EXPECT_EQ (eventsFor (device, { address (kAudioDevicePropertyDataSource, kAudioObjectPropertyScopeInput) }), changed (1));
    EXPECT_EQ (eventsFor (device, { address (kAudioDevicePropertyMute, kAudioObjectPropertyScopeInput),
                                    address (kAudioDevicePropertyPlayThru), address (kAudioDevicePropertyDataSource) }),
               changed (3));
}

TEST_F (PropertyListener, ScalarVolumeRaisesAnEventOnlyWhenReadable)
{
    const auto device = installCombined();

    EXPECT_EQ (eventsFor (device, { address (volm, kAudioObjectPropertyScopeOutput, 1) }), changed (1));

    world().setFailGet (device, volm, true);
    EXPECT_EQ (eventsFor (device, { address (volm, kAudioObjectPropertyScopeOutput, 1) }), changed (0));
    // Unreadable volume beside a mute change: only the mute counts.
    EXPECT_EQ (eventsFor (device, { address (volm, kAudioObjectPropertyScopeInput, 2), address (kAudioDevicePropertyMute) }),
               changed (1));
}

TEST_F (PropertyListener, OtherSelectorsRaiseNothing)
{
    const auto device = installCombined();

    EXPECT_EQ (eventsFor (device, { address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 1),
                                    address (kAudioObjectPropertyName), address (fourCharCode ("abcd")) }),
               changed (0));
}

TEST_F (PropertyListener, RateChangeRaisesAnEventOnlyForListedRates)
{
    const auto device = installCombined();
    const std::pair<double, std::size_t> cases[] = { { 192000.0, 1 }, { 176400.0, 1 }, { 96000.0, 1 },
                                                     { 88200.0, 1 },  { 48000.0, 1 },  { 32000.0, 1 },
                                                     { 44100.0, 1 },  { 22050.0, 0 },  { 8000.0, 0 } };

    for (const auto& [rate, events] : cases)
    {
        SCOPED_TRACE (rate);
        EXPECT_EQ (eventsForRate (device, rate), changed (events));
        EXPECT_EQ (world().nominalRate (device), rate);
    }
}

class RateMirroring : public PropertyListener
{
protected:
    void installSeparate()
    {
        fillContextOnly();
        output = world().addAudioDevice (offeringEveryRate (outputOnly()));
        input = world().addAudioDevice (offeringEveryRate (inputOnly()));
        lookUpAudioDevices();
        ASSERT_EQ (audioIds(), AudioIds (input, output));
    }

    // Writes made by the listener (on its own thread) to the nominal rate.
    std::vector<sim::PropertyWrite> rateWrites() const
    {
        std::vector<sim::PropertyWrite> result;
        for (const auto& w : world().propertyWrites())
            if (w.address.mSelector == kAudioDevicePropertyNominalSampleRate)
                result.push_back (w);
        return result;
    }

    AudioObjectID input = 0, output = 0;
};

TEST_F (RateMirroring, EachSideMirrorsTheOtherAndOnlyListedRatesRaiseEvents)
{
    installSeparate();

    // A listed rate is announced by the side that changed and again by the mirrored side.
    struct Case
    {
        AudioObjectID changed, mirrored;
        double rate;
        std::size_t events;
    };
    for (const auto& c : { Case { input, output, 22050.0, 0 }, Case { output, input, 96000.0, 2 } })
    {
        SCOPED_TRACE (c.rate);
        world().clearLogs();

        EXPECT_EQ (eventsForRate (c.changed, c.rate), changed (c.events));

        EXPECT_EQ (world().nominalRate (c.mirrored), c.rate);
        const auto writes = rateWrites();
        ASSERT_EQ (writes.size(), 1u);
        EXPECT_EQ (writes[0].object, c.mirrored);
        EXPECT_EQ (writes[0].address.mScope, kAudioObjectPropertyScopeWildcard);
        EXPECT_EQ (writes[0].address.mElement, 0u);
        EXPECT_EQ (writes[0].asFloat64(), c.rate);
    }
}

TEST_F (RateMirroring, UnreadableNewRateChangesNothing)
{
    installSeparate();
    world().setFailGet (input, kAudioDevicePropertyNominalSampleRate, true);

    EXPECT_EQ (eventsForRate (input, 44100.0), changed (0));
    EXPECT_TRUE (rateWrites().empty());
}

TEST_F (RateMirroring, KeepsWorkingWhileTheIdentifiersAreRewritten)
{
    installSeparate();

    // The listener reads the identifiers on its own thread while this thread clears and finds them
    // again, as a removal and the next arrival do.
    for (int i = 0; i < 40; ++i)
    {
        world().externalSetNominalRate (input, i % 2 == 0 ? 22050.0 : 8000.0);
        setAudioIds (0, 0);
        lookUpAudioDevices();
    }
    ASSERT_TRUE (waitForListenerIdle());
    ASSERT_EQ (audioIds(), AudioIds (input, output));

    EXPECT_EQ (eventsForRate (input, 48000.0), changed (2));
    EXPECT_EQ (world().nominalRate (output), 48000.0);
}
