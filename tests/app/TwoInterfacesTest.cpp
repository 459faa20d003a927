// Two interfaces plugged in one after the other: the panel works with the newer one, the older one going
// away changes nothing the user sees, and the newer one going away disables the panel for good.
#include "DeviceRoadFixture.h"

using namespace road_tests;

namespace
{
    // The second interface arrives after the first has been taken; the panel turns to it.
    class TwoInterfaces : public DeviceRoadTest
    {
    protected:
        void SetUp() override
        {
            DeviceRoadTest::SetUp();
            attachDevice();
            olderAudio = audio;
            olderHid = hid;

            newerAudio = addTolvaAudio (44100.0);
            newerHid = plugTolvaHid (newerAudio);
            ASSERT_TRUE (waitForRefreshes (2));
            settle();
            ASSERT_EQ (ghidInterface.load(), newerHid);
            ASSERT_EQ (gOutAudioObjectID.load(), newerAudio);
        }

        // The interface taken off the system, as a cable pulled out; returns once the panel handled it.
        void unplug (IOHIDDeviceRef device, AudioObjectID audioObject)
        {
            world().removeAudioDevice (audioObject);
            world().unplugHid (device);
            runPosted();
            settle();
        }

        static std::vector<Bytes> reportsOf (IOHIDDeviceRef device)
        {
            std::vector<Bytes> result;
            for (const auto& report : world().hidReports (device))
                result.push_back (report.bytes);
            return result;
        }

        static std::vector<Bytes> reportsSince (IOHIDDeviceRef device, size_t mark)
        {
            auto all = reportsOf (device);
            return { all.begin() + (long) std::min (mark, all.size()), all.end() };
        }

        void expectDeviceButtonsEnabled (bool enabled)
        {
            for (auto* button : deviceButtons (*panel))
                EXPECT_EQ (button->isEnabled(), enabled) << button->getName();
        }

        AudioObjectID olderAudio = 0, newerAudio = 0;
        IOHIDDeviceRef olderHid = nullptr, newerHid = nullptr;
    };
}

TEST_F (TwoInterfaces, NewerInterfaceIsTheOneInUse)
{
    const auto olderReports = reportsOf (olderHid).size();
    EXPECT_EQ (reportsOf (newerHid).front(), expectedReport (0x1a, 0x00));
    EXPECT_TRUE (panel->button44->getToggleState());

    click (*panel->buttonMic);
    EXPECT_EQ (reportsOf (newerHid).back(), expectedReport (0x2a, 0x01));
    EXPECT_EQ (reportsOf (olderHid).size(), olderReports);
}

TEST_F (TwoInterfaces, RemovingTheOlderOneChangesNothingVisible)
{
    click (*panel->buttonMic);
    const auto olderReports = reportsOf (olderHid).size();

    unplug (olderHid, olderAudio);

    expectDeviceButtonsEnabled (true);
    EXPECT_NE (panel->hidDevice, nullptr);
    EXPECT_EQ (ghidInterface.load(), newerHid);
    EXPECT_TRUE (world().isHidOpen (newerHid));
    EXPECT_EQ (gInAudioObjectID.load(), newerAudio);
    EXPECT_EQ (gOutAudioObjectID.load(), newerAudio);
    EXPECT_TRUE (panel->buttonMic->getToggleState());
    EXPECT_TRUE (panel->button44->getToggleState());
    // Nothing was saved on its behalf.
    EXPECT_FALSE (panel->appProperties.getUserSettings()->containsKey ("MON_INPUT"));

    // Clicks still reach the newer interface (the radio group reports the input it switches off first).
    auto mark = reportsOf (newerHid).size();
    click (*panel->buttonHIZ);
    EXPECT_EQ (reportsSince (newerHid, mark),
               (std::vector<Bytes> { expectedReport (0x2a, 0x01), expectedReport (0x2a, 0x02) }));

    // So does a factory reset: monitoring off once, then "Line".
    mark = reportsOf (newerHid).size();
    panel->menuItemSelected (MainComponent::menuIdFactoryDefaults, MainComponent::menuIndexConfig);
    runPosted();
    EXPECT_EQ (reportsSince (newerHid, mark),
               (std::vector<Bytes> { expectedReport (0x2c, 0x01), expectedReport (0x2a, 0x02), expectedReport (0x2a, 0x04) }));
    EXPECT_EQ (reportsOf (olderHid).size(), olderReports);

    // And the newer interface's own changes still show.
    world().externalSetVolumeDb (newerAudio, kAudioObjectPropertyScopeOutput, 1, -12.0f);
    settle();
    EXPECT_EQ (panel->sliderGroupOut->leftSlider.getValue(), -12.0);
}

// The one in use going away disables the panel although the older one is still plugged in; the older
// one going away afterwards leaves the choices saved at the first removal as they were.
TEST_F (TwoInterfaces, RemovingTheOneInUseDisablesThePanel)
{
    click (*panel->buttonMic);
    click (*panel->buttonToggleMonitoring);

    unplug (newerHid, newerAudio);
    expectDeviceButtonsEnabled (false);
    EXPECT_EQ (panel->hidDevice, nullptr);
    EXPECT_EQ (ghidInterface.load(), nullptr);
    EXPECT_FALSE (world().isHidOpen (newerHid));
    auto* store = panel->appProperties.getUserSettings();
    EXPECT_EQ (store->getValue ("MON_INPUT"), "1");
    EXPECT_EQ (store->getValue ("MON"), "true");

    const auto olderReports = reportsOf (olderHid).size();
    panel->setFactoryDefaults();
    EXPECT_EQ (reportsOf (olderHid).size(), olderReports);

    unplug (olderHid, olderAudio);
    expectDeviceButtonsEnabled (false);
    EXPECT_EQ (store->getValue ("MON_INPUT"), "1");
    EXPECT_EQ (store->getValue ("MON"), "true");
}
