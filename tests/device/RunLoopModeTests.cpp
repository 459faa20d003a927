// The run loop and modes the registration puts its sources in, and what that means while the main run
// loop runs in another mode (a menu being tracked): power messages still arrive, the device waits.
#include "DeviceTestSupport.h"

using namespace device_tests;

using RunLoopModes = DeviceTest;

TEST_F (RunLoopModes, PowerInTheCommonModesHidManagerAndUsbNotificationInTheDefaultModeAllOnTheMainRunLoop)
{
    registerPanel();

    using Schedules = std::vector<juce::StringArray>;
    EXPECT_EQ (world().powerSourceSchedules(), (Schedules { { "main kCFRunLoopCommonModes" } }));
    EXPECT_EQ (world().hidManagerSchedules(), (Schedules { { "main kCFRunLoopDefaultMode" } }));
    EXPECT_EQ (world().serviceSourceSchedules(), (Schedules { { "main kCFRunLoopDefaultMode" } }));
}

TEST_F (RunLoopModes, WhileAMenuIsTrackedSleepIsAnsweredButTheDeviceArrivesOnlyAfterwards)
{
    const auto audio = world().addAudioDevice (audioDevice());
    registerPanel();
    world().setMainRunLoopMode (sim::eventTrackingRunLoopMode);

    auto device = world().plugHid (tolvaHid());
    world().sendPowerMessage (kIOMessageSystemWillSleep, 17);
    ASSERT_TRUE (waitForEvents (1));
    testing_support::pumpUntil ([] { return world().allowedPowerChanges().size() == 1; });

    EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventSystemWillSleep });
    EXPECT_EQ (world().allowedPowerChanges(), std::vector<intptr_t> { 17 });
    EXPECT_EQ (ghidInterface.load(), nullptr);

    world().setMainRunLoopMode (kCFRunLoopDefaultMode);
    ASSERT_TRUE (waitForEvents (2));
    EXPECT_EQ (recorder().kinds(), (std::vector<OXV_CallbackEvent> { deviceEventSystemWillSleep, deviceEventArrived }));
    EXPECT_EQ (ghidInterface.load(), device);
    EXPECT_EQ (gInAudioObjectID.load(), audio);
}
