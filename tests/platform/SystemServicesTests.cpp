#include "PlatformFixture.h"

#include <AppleScript.h>
#include <IOKit.h>
#include <PlatformClock.h>

namespace
{
    struct PowerLog
    {
        std::vector<std::pair<natural_t, intptr_t>> messages;
        bool onMessageThread = true;
    };

    void onPower (void* refcon, io_service_t, natural_t type, void* argument)
    {
        auto& log = *static_cast<PowerLog*> (refcon);
        log.messages.emplace_back (type, reinterpret_cast<intptr_t> (argument));
        log.onMessageThread &= juce::MessageManager::getInstance()->isThisTheMessageThread();
    }

    int plugCallbacks = 0;
    void onPlug (void*, io_iterator_t)
    {
        ++plugCallbacks;
    }

    io_iterator_t registerUsbNotification()
    {
        mach_port_t master = 0;
        IOMasterPort (MACH_PORT_NULL, &master);
        auto matching = IOServiceMatching ("IOUSBDevice");
        auto port = IONotificationPortCreate (master);
        CFRunLoopAddSource (CFRunLoopGetCurrent(), IONotificationPortGetRunLoopSource (port), kCFRunLoopDefaultMode);
        const SInt32 vendor = 0x1fc9;
        auto number = CFNumberCreate (kCFAllocatorDefault, kCFNumberSInt32Type, &vendor);
        CFDictionarySetValue (matching, CFSTR (kIOHIDVendorIDKey), number);
        CFRelease (number);

        io_iterator_t iterator = 0;
        EXPECT_EQ (IOServiceAddMatchingNotification (port, kIOMatchedNotification, matching, onPlug, nullptr, &iterator), 0);
        return iterator;
    }
}

using Power = PlatformTest;

TEST_F (Power, MessagesArriveOnTheMessageThreadOnceTheSourceIsOnTheRunLoop)
{
    PowerLog log;
    IONotificationPortRef port = nullptr;
    io_object_t notifier = 0;
    const auto root = IORegisterForSystemPower (&log, &port, onPower, &notifier);
    ASSERT_NE (root, 0u);
    ASSERT_NE (port, nullptr);

    world().sendPowerMessage (kIOMessageCanSystemSleep, 11);   // not yet on the run loop
    testing_support::pumpFor (10);
    EXPECT_TRUE (log.messages.empty());

    CFRunLoopAddSource (CFRunLoopGetCurrent(), IONotificationPortGetRunLoopSource (port), kCFRunLoopCommonModes);
    world().sendPowerMessage (kIOMessageSystemWillSleep, 42);
    world().sendPowerMessage (kIOMessageSystemHasPoweredOn, 0);
    EXPECT_TRUE (log.messages.empty());
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return log.messages.size() == 2; }));

    EXPECT_EQ (log.messages[0], std::make_pair (kIOMessageSystemWillSleep, intptr_t (42)));
    EXPECT_EQ (log.messages[1], std::make_pair (kIOMessageSystemHasPoweredOn, intptr_t (0)));
    EXPECT_TRUE (log.onMessageThread);

    EXPECT_EQ (IOAllowPowerChange (root, 42), kIOReturnSuccess);
    EXPECT_NE (IOAllowPowerChange (root + 1000, 43), kIOReturnSuccess);
    EXPECT_EQ (world().allowedPowerChanges(), (std::vector<intptr_t> { 42 }));
    EXPECT_EQ (world().powerRegistrationCount(), 1);
}

TEST_F (Power, AFailedRegistrationReturnsZero)
{
    world().setPowerRegistrationFails (true);
    IONotificationPortRef port = nullptr;
    io_object_t notifier = 0;
    EXPECT_EQ (IORegisterForSystemPower (nullptr, &port, onPower, &notifier), 0u);
    EXPECT_EQ (port, nullptr);
}

using UsbNotification = PlatformTest;

TEST_F (UsbNotification, CallsBackOnlyOnceItsIteratorHasBeenDrained)
{
    plugCallbacks = 0;
    world().plugHid (hidSpec (0x1fc9));
    const auto iterator = registerUsbNotification();
    EXPECT_EQ (world().serviceNotificationCount(), 1);

    world().plugHid (hidSpec (0x1fc9));
    testing_support::pumpFor (20);
    EXPECT_EQ (plugCallbacks, 0);   // undrained: not armed

    EXPECT_NE (IOIteratorNext (iterator), 0u);
    EXPECT_NE (IOIteratorNext (iterator), 0u);
    EXPECT_EQ (IOIteratorNext (iterator), 0u);
    world().plugHid (hidSpec (0x05ac));   // another vendor: no match
    world().plugHid (hidSpec (0x1fc9));
    ASSERT_TRUE (testing_support::pumpUntil ([] { return plugCallbacks == 1; }));
}

using Clock = PlatformTest;

TEST_F (Clock, SpeedingUpMakesSleepsShortInRealTimeWithoutBreakingTheCount)
{
    PlatformClock::setSpeed (1000.0);
    EXPECT_EQ (PlatformClock::getSpeed(), 1000.0);

    const auto platformStart = PlatformClock::getMillisecondCounter();
    const auto realStart = juce::Time::getMillisecondCounterHiRes();
    PlatformClock::sleep (2);
    const auto realElapsed = juce::Time::getMillisecondCounterHiRes() - realStart;
    const auto platformElapsed = PlatformClock::getMillisecondCounter() - platformStart;

    EXPECT_GE (platformElapsed, 2000u);
    EXPECT_LT (realElapsed, 1000.0);   // two platform seconds pass well within one real second

    PlatformClock::setSpeed (1.0);   // continuous: the count goes on from where it was
    EXPECT_GE (PlatformClock::getMillisecondCounter(), platformStart + platformElapsed);
}

TEST_F (Clock, ResetReturnsToRealTime)
{
    PlatformClock::setSpeed (50.0);
    world().reset();
    EXPECT_EQ (PlatformClock::getSpeed(), 1.0);
}

using AppleScriptRun = PlatformTest;

TEST_F (AppleScriptRun, OnlyActivatingAnAvailableAudioMidiSetupSucceeds)
{
    const char* const activate = "tell application \"Audio MIDI Setup\" to activate";
    auto run = [] (const char* source)
    {
        auto* script = NSAppleScriptInitWithSource (source);
        id error = nullptr;
        const bool ok = NSAppleScriptExecuteAndReturnError (script, &error) != nullptr;
        EXPECT_EQ (ok, error == nullptr);
        NSAppleScriptRelease (script);
        return ok;
    };

    EXPECT_FALSE (run (activate));
    world().setAudioMidiSetupAvailable (true);
    EXPECT_TRUE (run (activate));
    EXPECT_FALSE (run ("tell application \"Audio MIDI Setup\" to quit"));
    EXPECT_EQ (world().appleScriptsRun().size(), 3);
    EXPECT_EQ (world().appleScriptsRun()[1], activate);
}
