// The device road under pressure from the Core Audio side: changes keep coming on the listener thread
// while the device is unplugged or the panel goes away. Meant for the sanitizer builds as well.
#include "DeviceRoadFixture.h"

#include <atomic>
#include <cstring>
#include <thread>

using namespace road_tests;

namespace
{
    // Another program that keeps changing the device's volumes and mutes until told to stop; it follows
    // the device when it comes back as a new object.
    class OutsideChanger
    {
    public:
        explicit OutsideChanger (AudioObjectID device)
            : target (device),
              thread (
                  [this]
                  {
            for (int i = 0; ! stop; ++i)
            {
                const AudioObjectID object = target;
                const auto db = -float (i % 40);
                world().externalSetVolumeDb (object, outp, 1 + AudioObjectPropertyElement (i % 2), db);
                world().externalSetVolumeDb (object, inpt, 1, db * 0.5f);
                world().externalSetMute (object, i % 3 == 0 ? outp : inpt, i % 2 == 0);
                ++rounds;
                std::this_thread::sleep_for (std::chrono::milliseconds (1));
            }
              })
        {}

        ~OutsideChanger()
        {
            stop = true;
            thread.join();
        }

        std::atomic<int> rounds { 0 };
        std::atomic<AudioObjectID> target;

    private:
        std::atomic<bool> stop { false };
        std::thread thread;
    };
}

using DeviceRoadStress = DeviceRoadTest;

TEST_F (DeviceRoadStress, UnplugWhileTheListenerDeliversChanges)
{
    attachDevice();
    const auto listenerCallsBefore = world().listenerCallsDelivered();

    {
        OutsideChanger changer (audio);
        testing_support::pumpFor (150);
        ASSERT_TRUE (unplugAndWaitForRemoval());
        testing_support::pumpFor (100);
        world().removeAudioDevice (audio);
        testing_support::pumpFor (50);
        EXPECT_GT (changer.rounds, 20);
    }
    settle();

    EXPECT_GT (world().listenerCallsDelivered(), listenerCallsBefore + 20);
    EXPECT_EQ (ghidInterface.load(), nullptr);
    EXPECT_FALSE (world().isHidOpen (hid));
    EXPECT_FALSE (panel->button48->isEnabled());
    EXPECT_FALSE (panel->sliderGroupOut->isVisible());
    // Refreshes after the removal find no audio objects.
    EXPECT_EQ (panel->sliderGroupOut->leftSlider.getValue(), 0.0);
    EXPECT_EQ (panel->sliderGroupIn->leftSlider.getValue(), 0.0);

    // Still working: a device that comes back is taken up again.
    audio = addTolvaAudio();
    hid = plugTolvaHid (audio);
    ASSERT_TRUE (waitForArrival());
    EXPECT_TRUE (panel->button48->isEnabled());
}

TEST_F (DeviceRoadStress, PanelDestroyedWhileTheDeviceKeepsChanging)
{
    attachDevice();

    {
        OutsideChanger changer (audio);
        testing_support::pumpFor (150);
        destroyPanel();
        EXPECT_EQ (mydeviceStruct.owner.load(), nullptr);
        testing_support::pumpFor (150);
        EXPECT_GT (changer.rounds, 20);
    }
    testing_support::pumpUntil ([] { return world().listenerIdle(); });

    EXPECT_EQ (ghidInterface.load(), nullptr);
    EXPECT_FALSE (world().isHidOpen (hid));
    EXPECT_TRUE (settingsFile().existsAsFile());   // written as the panel went, with the device attached
}

TEST_F (DeviceRoadStress, ListenerAlreadyWaitingForTheLockNeverReachesTheGonePanel)
{
    audio = addTolvaAudio();
    hid = plugTolvaHid (audio);

    // The panel lives in memory of the test's own, so that what happens to that memory after the
    // panel has gone can be seen.
    auto storage = std::make_unique<unsigned char[]> (sizeof (CountingPanel) + alignof (CountingPanel));
    void* space = storage.get();
    size_t room = sizeof (CountingPanel) + alignof (CountingPanel);
    auto* raw = new (std::align (alignof (CountingPanel), sizeof (CountingPanel), space, room)) CountingPanel();
    ASSERT_TRUE (testing_support::pumpUntil ([raw] { return raw->hidDevice != nullptr; }));
    ASSERT_TRUE (testing_support::pumpUntil ([raw] { return raw->refreshes > 0; }));
    testing_support::pumpUntil ([] { return world().listenerIdle(); });

    // A change whose event waits for the message thread, which is busy here and doesn't pump.
    world().externalSetVolumeDb (audio, outp, 1, -8.0f);
    juce::Thread::sleep (100);
    ASSERT_FALSE (world().listenerIdle());   // the listener sits in the lock

    raw->~CountingPanel();
    std::memset (static_cast<void*> (raw), 0xa5, sizeof (CountingPanel));

    // Let the waiting thread in: it must find the panel gone and leave its memory alone.
    ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
    testing_support::pumpFor (100);

    const auto* bytes = reinterpret_cast<const unsigned char*> (raw);
    size_t touched = 0;
    for (size_t i = 0; i < sizeof (CountingPanel); ++i)
        touched += bytes[i] != 0xa5 ? 1 : 0;
    EXPECT_EQ (touched, 0u);
    EXPECT_EQ (mydeviceStruct.owner.load(), nullptr);
}

TEST_F (DeviceRoadStress, RepeatedPlugCyclesUnderChanges)
{
    attachDevice();
    OutsideChanger changer (audio);

    for (int cycle = 0; cycle < 4; ++cycle)
    {
        ASSERT_TRUE (unplugAndWaitForRemoval());
        EXPECT_EQ (ghidInterface.load(), nullptr);
        testing_support::pumpFor (30);

        replugInterface();
        changer.target = audio;
        ASSERT_TRUE (waitForArrival());
        EXPECT_EQ (ghidInterface.load(), hid);
        testing_support::pumpFor (30);
    }

    EXPECT_EQ (reportsReceived().front(), expectedReport (0x1a, 0x00));
    EXPECT_TRUE (panel->buttonLine->getToggleState());
}
