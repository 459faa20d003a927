// The simulated run loops: where sources were put, and which callbacks run in which mode.
#include "PlatformFixture.h"

#include <IOKit.h>

#include <thread>

namespace
{
    constexpr SInt32 vendor = 0x1fc9;

    // Every callback of every source, in the order they ran.
    juce::StringArray heard;

    void onArrival (void*, IOReturn, void*, IOHIDDeviceRef)
    {
        heard.add ("arrival");
    }
    void onRemoval (void*, IOReturn, void*, IOHIDDeviceRef)
    {
        heard.add ("removal");
    }
    void onPower (void*, io_service_t, natural_t type, void*)
    {
        heard.add ("power " + juce::String::toHexString ((int) type));
    }

    IOHIDManagerRef makeManager (CFRunLoopRef runLoop, CFRunLoopMode mode)
    {
        auto manager = IOHIDManagerCreate (kCFAllocatorDefault, kIOHIDOptionsTypeNone);
        IOHIDManagerRegisterDeviceMatchingCallback (manager, onArrival, nullptr);
        IOHIDManagerRegisterDeviceRemovalCallback (manager, onRemoval, nullptr);
        IOHIDManagerScheduleWithRunLoop (manager, runLoop, mode);
        IOHIDManagerOpen (manager, kIOHIDOptionsTypeNone);
        return manager;
    }

    void registerPower (CFRunLoopMode mode)
    {
        IONotificationPortRef port = nullptr;
        io_object_t notifier = 0;
        IORegisterForSystemPower (nullptr, &port, onPower, &notifier);
        CFRunLoopAddSource (CFRunLoopGetCurrent(), IONotificationPortGetRunLoopSource (port), mode);
    }

    class RunLoops : public PlatformTest
    {
    protected:
        void SetUp() override
        {
            PlatformTest::SetUp();
            heard.clear();
        }

        // Lets everything posted to the message thread so far run (or wait, if its mode does not run).
        static void runPosted()
        {
            auto done = std::make_shared<bool> (false);
            juce::MessageManager::callAsync ([done] { *done = true; });
            ASSERT_TRUE (testing_support::pumpUntil ([done] { return *done; }, 10000));
        }
    };
}

TEST_F (RunLoops, EachSourceRecordsTheRunLoopAndModesItWasPutIn)
{
    makeManager (CFRunLoopGetMain(), kCFRunLoopDefaultMode);
    registerPower (kCFRunLoopCommonModes);

    mach_port_t master = 0;
    IOMasterPort (MACH_PORT_NULL, &master);
    auto usbPort = IONotificationPortCreate (master);
    CFRunLoopAddSource (CFRunLoopGetCurrent(), IONotificationPortGetRunLoopSource (usbPort), kCFRunLoopDefaultMode);
    CFRunLoopAddSource (CFRunLoopGetMain(), IONotificationPortGetRunLoopSource (usbPort), sim::modalPanelRunLoopMode);
    IONotificationPortCreate (master);   // never added

    EXPECT_EQ (CFRunLoopGetCurrent(), CFRunLoopGetMain());   // on the message thread
    EXPECT_EQ (world().hidManagerSchedules(), (std::vector<juce::StringArray> { { "main kCFRunLoopDefaultMode" } }));
    EXPECT_EQ (world().powerSourceSchedules(), (std::vector<juce::StringArray> { { "main kCFRunLoopCommonModes" } }));
    EXPECT_EQ (world().serviceSourceSchedules(),
               (std::vector<juce::StringArray> { { "main kCFRunLoopDefaultMode", "main NSModalPanelRunLoopMode" }, {} }));
}

TEST_F (RunLoops, AnotherThreadsRunLoopIsNotTheMainOneAndNeverRunsHere)
{
    CFRunLoopRef threadRunLoop = nullptr;
    std::thread ([&] { threadRunLoop = CFRunLoopGetCurrent(); }).join();
    ASSERT_NE (threadRunLoop, nullptr);
    EXPECT_NE (threadRunLoop, CFRunLoopGetMain());

    makeManager (threadRunLoop, kCFRunLoopDefaultMode);
    world().plugHid (hidSpec (vendor));
    runPosted();

    EXPECT_EQ (world().hidManagerSchedules(), (std::vector<juce::StringArray> { { "other kCFRunLoopDefaultMode" } }));
    EXPECT_TRUE (heard.isEmpty());
}

TEST_F (RunLoops, WhileAMenuIsTrackedOnlyCommonModeSourcesRunAndTheOthersFollowInOrderAfterwards)
{
    makeManager (CFRunLoopGetMain(), kCFRunLoopDefaultMode);
    registerPower (kCFRunLoopCommonModes);
    world().setMainRunLoopMode (sim::eventTrackingRunLoopMode);

    auto device = world().plugHid (hidSpec (vendor));
    world().sendPowerMessage (kIOMessageSystemWillSleep, 1);
    runPosted();
    world().unplugHid (device);
    world().sendPowerMessage (kIOMessageSystemHasPoweredOn, 2);
    runPosted();
    EXPECT_EQ (heard, juce::StringArray ("power e0000280", "power e0000300"));

    world().setMainRunLoopMode (kCFRunLoopDefaultMode);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return heard.size() == 4; }));
    EXPECT_EQ (heard, juce::StringArray ("power e0000280", "power e0000300", "arrival", "removal"));
}

TEST_F (RunLoops, ASourceInOneModeOnlyRunsOnlyInThatMode)
{
    makeManager (CFRunLoopGetMain(), sim::modalPanelRunLoopMode);
    registerPower (kCFRunLoopDefaultMode);

    world().plugHid (hidSpec (vendor));
    world().sendPowerMessage (kIOMessageSystemWillPowerOn, 0);
    runPosted();
    EXPECT_EQ (heard, juce::StringArray ("power e0000320"));

    world().setMainRunLoopMode (sim::modalPanelRunLoopMode);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return heard.size() == 2; }));
    world().sendPowerMessage (kIOMessageSystemWillPowerOn, 0);
    runPosted();
    EXPECT_EQ (heard, juce::StringArray ("power e0000320", "arrival"));

    // A reset drops what still waits and puts the run loop back in the default mode.
    world().reset();
    registerPower (kCFRunLoopDefaultMode);
    world().sendPowerMessage (kIOMessageSystemWillPowerOn, 0);
    runPosted();
    EXPECT_EQ (heard, juce::StringArray ("power e0000320", "arrival", "power e0000320"));
}
