#include "PlatformFixture.h"

#include <CoreAudio.h>
#include <MessageThreadLock.h>
#include <PlatformClock.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{
    constexpr AudioObjectPropertyAddress everything { kAudioObjectPropertySelectorWildcard, kAudioObjectPropertyScopeWildcard,
                                                      kAudioObjectPropertyElementWildcard };

    // What a listener heard: every call with its thread and addresses, and a value read back inside it.
    struct Heard
    {
        struct Call
        {
            AudioObjectID object;
            std::thread::id thread;
            std::vector<AudioObjectPropertyAddress> addresses;
            Float32 volumeReadInside;
            OSStatus readStatus;
        };

        std::mutex lock;
        std::vector<Call> calls;
        bool takeMessageManagerLock = false;

        std::vector<Call> snapshot()
        {
            const std::lock_guard<std::mutex> guard (lock);
            return calls;
        }
    };

    OSStatus listen (AudioObjectID object, UInt32 count, const AudioObjectPropertyAddress* addresses, void* clientData)
    {
        auto& heard = *static_cast<Heard*> (clientData);

        // Like the program's listener: read back into the world, and wait for the message thread.
        Float32 volume = 0;
        UInt32 size = sizeof (volume);
        const auto status = AudioObjectGetPropertyData (object, addresses, 0, nullptr, &size, &volume);
        if (heard.takeMessageManagerLock)
            const MessageThreadLock mml;

        const std::lock_guard<std::mutex> guard (heard.lock);
        heard.calls.push_back ({ object, std::this_thread::get_id(), { addresses, addresses + count }, volume, status });
        return 0;
    }

    bool waitForIdle()
    {
        return testing_support::pumpUntil ([] { return sim::TestWorld::get().listenerIdle(); });
    }
}

using Listeners = PlatformTest;

TEST_F (Listeners, AreCalledOnOneThreadThatIsNotTheMessageThreadWithTheChangedAddresses)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    Heard heard;
    heard.takeMessageManagerLock = true;
    ASSERT_EQ (AudioObjectAddPropertyListener (tolva, &everything, listen, &heard), 0);

    EXPECT_EQ (world().externalSetVolumeDb (tolva, kAudioObjectPropertyScopeOutput, 2, -20.0f), 0);
    const AudioObjectPropertyAddress muteIn { kAudioDevicePropertyMute, kAudioObjectPropertyScopeInput, 0 };
    const UInt32 on = 1;
    EXPECT_EQ (AudioObjectSetPropertyData (tolva, &muteIn, 0, nullptr, sizeof (on), &on), 0);
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return heard.snapshot().size() == 2; }));

    const auto calls = heard.snapshot();
    EXPECT_EQ (calls[0].object, tolva);
    EXPECT_EQ (calls[0].addresses, (std::vector<AudioObjectPropertyAddress> {
                                       { kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 2 },
                                       { kAudioDevicePropertyVolumeScalar, kAudioObjectPropertyScopeOutput, 2 } }));
    EXPECT_EQ (calls[0].readStatus, 0);
    EXPECT_EQ (calls[0].volumeReadInside, -20.0f);
    EXPECT_EQ (calls[1].addresses, (std::vector<AudioObjectPropertyAddress> { muteIn }));

    EXPECT_NE (calls[0].thread, std::this_thread::get_id());
    EXPECT_EQ (calls[0].thread, calls[1].thread);
    EXPECT_EQ (world().listenerCallsDelivered(), 2);
}

TEST_F (Listeners, SetsThatChangeNothingAnnounceNothing)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    Heard heard;
    AudioObjectAddPropertyListener (tolva, &everything, listen, &heard);

    world().externalSetVolumeDb (tolva, kAudioObjectPropertyScopeInput, 1, 0.0f);    // already 0 dB
    world().externalSetVolumeDb (tolva, kAudioObjectPropertyScopeOutput, 1, 5.0f);   // clamped to 0 dB
    world().externalSetMute (tolva, kAudioObjectPropertyScopeOutput, false);
    world().externalSetNominalRate (tolva, 48000.0);
    world().externalSetNominalRate (tolva, 22050.0);   // refused
    world().externalSetNominalRate (tolva, 44100.0);
    ASSERT_TRUE (waitForIdle());

    const auto calls = heard.snapshot();
    ASSERT_EQ (calls.size(), 1u);
    EXPECT_EQ (calls[0].addresses.front(),
               (AudioObjectPropertyAddress { kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeGlobal, 0 }));
}

TEST_F (Listeners, ASecondInstallationIsStoredOnceAndRefusedWhenSwitchedSo)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    Heard heard, other;
    EXPECT_EQ (AudioObjectAddPropertyListener (tolva, &everything, listen, &heard), 0);
    EXPECT_EQ (AudioObjectAddPropertyListener (tolva, &everything, listen, &heard), 0);
    EXPECT_EQ (world().listenerCount (tolva), 1);

    world().setRefuseDuplicateListener (true);
    EXPECT_NE (AudioObjectAddPropertyListener (tolva, &everything, listen, &heard), 0);
    EXPECT_EQ (AudioObjectAddPropertyListener (tolva, &everything, listen, &other), 0);
    EXPECT_EQ (world().listenerCount (tolva), 2);
    EXPECT_EQ (AudioObjectAddPropertyListener (0x777, &everything, listen, &heard), kAudioHardwareBadObjectError);

    world().externalSetMute (tolva, kAudioObjectPropertyScopeInput, true);
    ASSERT_TRUE (waitForIdle());
    EXPECT_EQ (heard.snapshot().size(), 1u);
    EXPECT_EQ (other.snapshot().size(), 1u);
}

TEST_F (Listeners, ARemovedObjectIsNotAnnouncedButKeepsItsListenersForItsIdentifier)
{
    auto spec = tolvaSpec();
    spec.objectId = 0x50;
    const auto tolva = world().addAudioDevice (spec);
    Heard heard;
    AudioObjectAddPropertyListener (tolva, &everything, listen, &heard);

    world().notify (tolva, { { kAudioDevicePropertyVolumeScalar, kAudioObjectPropertyScopeInput, 1 } });
    world().removeAudioDevice (tolva);
    world().notify (tolva, { { kAudioDevicePropertyMute, kAudioObjectPropertyScopeInput, 0 } });
    ASSERT_TRUE (waitForIdle());

    // The first announcement may have been delivered before the removal: then its read-back failed.
    for (auto& call : heard.snapshot())
        EXPECT_EQ (call.addresses.front().mSelector, kAudioDevicePropertyVolumeScalar);

    EXPECT_EQ (world().addAudioDevice (spec), 0x50u);
    EXPECT_EQ (world().listenerCount (0x50), 1);
}

TEST_F (Listeners, AProgramRateChangeSettlesAfterTheDelayInPlatformTime)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    Heard heard;
    AudioObjectAddPropertyListener (tolva, &everything, listen, &heard);
    PlatformClock::setSpeed (10.0);
    world().setRateSettleDelay (tolva, 300);

    const AudioObjectPropertyAddress rateAddress { kAudioDevicePropertyNominalSampleRate,
                                                   kAudioObjectPropertyScopeWildcard, 0 };
    const Float64 rate = 96000.0;
    EXPECT_EQ (AudioObjectSetPropertyData (tolva, &rateAddress, 0, nullptr, sizeof (rate), &rate), 0);
    EXPECT_EQ (world().nominalRate (tolva), 48000.0);
    EXPECT_TRUE (heard.snapshot().empty());

    PlatformClock::sleepMilliseconds (310);
    EXPECT_EQ (world().nominalRate (tolva), 96000.0);
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return heard.snapshot().size() == 1; }));
    EXPECT_EQ (heard.snapshot()[0].addresses.front().mSelector, kAudioDevicePropertyNominalSampleRate);

    // Another program's change is not delayed.
    world().externalSetNominalRate (tolva, 44100.0);
    EXPECT_EQ (world().nominalRate (tolva), 44100.0);
    ASSERT_TRUE (waitForIdle());   // the listener's record lives on this stack
}

TEST_F (Listeners, ResetWhileAnnouncementsWaitIsSafe)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    Heard heard;
    heard.takeMessageManagerLock = true;
    AudioObjectAddPropertyListener (tolva, &everything, listen, &heard);

    for (int i = 0; i < 50; ++i)
        world().externalSetVolumeDb (tolva, kAudioObjectPropertyScopeOutput, 1, -float (i % 40));

    world().reset();   // drops what is queued; the listener waiting for the message thread is served
    const auto heardBeforeReset = heard.snapshot().size();
    testing_support::pumpFor (20);

    EXPECT_LT (heardBeforeReset, 50u);
    EXPECT_EQ (heard.snapshot().size(), heardBeforeReset);
    EXPECT_TRUE (world().listenerIdle());
    EXPECT_EQ (world().listenerCount (tolva), 0);
}

// Several listener threads taking the message-thread lock over and over, as the program's listeners do
// in bursts: each holds it alone, and the message thread does nothing while one holds it.
TEST_F (Listeners, TakeTheMessageThreadLockOneAtATimeAndHoldTheMessageThreadStill)
{
    constexpr int threads = 4, takes = 300;
    std::atomic<int> holders { 0 }, overlaps { 0 }, finished { 0 };

    auto takeRepeatedly = [&]
    {
        for (int i = 0; i < takes; ++i)
        {
            const MessageThreadLock lock;
            if (holders.fetch_add (1) != 0)
                ++overlaps;
            std::this_thread::yield();
            holders.fetch_sub (1);
        }
        ++finished;
    };
    // The message thread looks between its messages: nobody may hold the lock then.
    auto allFinished = [&]
    {
        if (holders.load() != 0)
            ++overlaps;
        return finished.load() == threads;
    };

    std::vector<std::thread> listeners;
    for (int t = 0; t < threads; ++t)
        listeners.emplace_back (takeRepeatedly);
    const bool allDone = testing_support::pumpUntil (allFinished, 60000);
    for (auto& l : listeners)
        l.join();

    EXPECT_TRUE (allDone);
    EXPECT_EQ (overlaps.load(), 0);
}
