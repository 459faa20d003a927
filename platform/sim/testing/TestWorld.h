// The simulated world as tests drive it: on top of what a user or another program can do, its reset,
// its fault switches, the logs of what the program asked of the platform and its counters. The program
// does not link this part; while it is in use the world keeps its logs.
#pragma once

#include <SimulatedWorld.h>

namespace sim
{
    class TestWorld : public World
    {
    public:
        static TestWorld& get();

        // Removes every device, manager, listener and registration, drops callbacks not yet delivered,
        // clears the logs and the switches, and sets the platform clock back to real time. Waits until
        // the listener thread is idle; call it from the message thread only when no listener call can be
        // waiting for the message thread (that is, after pumping the message loop).
        void reset();

        // Logs ---------------------------------------------------------------------------------------
        // Every report the device received, in order.
        std::vector<HidReport> hidReports (IOHIDDeviceRef device) const;
        // Every AudioObjectSetPropertyData call of the program, in order (refused ones too).
        std::vector<PropertyWrite> propertyWrites() const;
        // The source of every AppleScript executed, in order, whether it succeeded or not.
        juce::StringArray appleScriptsRun() const;
        // The arguments of every IOAllowPowerChange call, in order.
        std::vector<intptr_t> allowedPowerChanges() const;
        // The matching dictionaries given to the last manager, each as "VendorID=..;ProductID=.." text
        // (keys in the order they were set, numbers in decimal, e.g. "VendorID=8137;ProductID=322").
        juce::StringArray lastManagerCriteria() const;
        // Empties the logs above and the report counters.
        void clearLogs();

        // Counters -----------------------------------------------------------------------------------
        // Every call of IOHIDDeviceSetReport, delivered or refused, with the handle it was given.
        int hidReportAttempts() const;
        int hidReportsRefused() const;
        int listenerCount (AudioObjectID object) const;
        // Total listener calls made so far.
        int listenerCallsDelivered() const;
        // True when no announcement is queued or being delivered.
        bool listenerIdle() const;
        // Registrations made so far.
        int hidManagerCount() const;
        int powerRegistrationCount() const;
        int serviceNotificationCount() const;

        // Faults of the program that the device and the HID manager caught; only reset() clears them.
        struct HidFaults
        {
            int malformedReports = 0;         // refused: another type, ID, length, fixed byte, command or value
            int reportsToClosedDevices = 0;   // refused: the device is attached but not open
            int callsAfterRemoval = 0;        // any call on a handle after its removal callback returned
        };
        HidFaults hidFaults() const;

        // Where each source went, one entry per run loop and mode it was added in: "main <mode>", or
        // "other <mode>" for a run loop that is not the main one. In order of creation.
        std::vector<juce::StringArray> hidManagerSchedules() const;
        std::vector<juce::StringArray> powerSourceSchedules() const;
        std::vector<juce::StringArray> serviceSourceSchedules() const;

        // Switches -----------------------------------------------------------------------------------
        // Whether a second installation of the same listener and client data on one object is refused
        // (status non-zero) or accepted (status 0, the listener still called once per change).
        void setRefuseDuplicateListener (bool refuse);
        // A nominal rate written by the program takes effect this many milliseconds of platform time later.
        void setRateSettleDelay (AudioObjectID object, int milliseconds);
        // Makes every get of this selector on the object fail (or succeed again).
        void setFailGet (AudioObjectID object, AudioObjectPropertySelector selector, bool fail);
        // Makes every set of this selector on the object fail and change nothing, whoever asks (a value
        // held by the hardware, such as a mute locked by a switch), or succeed again.
        void setFailSet (AudioObjectID object, AudioObjectPropertySelector selector, bool fail);
        // The device list can't be read (size and get fail).
        void setDeviceListFails (bool fail);
        // IORegisterForSystemPower returns 0.
        void setPowerRegistrationFails (bool fail);
        // Whether the Audio MIDI Setup utility exists, so that the script that activates it succeeds.
        void setAudioMidiSetupAvailable (bool available);
        // The mode the main run loop runs in, as while a menu is tracked (sim::eventTrackingRunLoopMode)
        // or a modal panel runs; callbacks of sources not scheduled in it wait until it runs in one of
        // theirs. Reset sets kCFRunLoopDefaultMode.
        void setMainRunLoopMode (CFRunLoopMode mode);

    private:
        TestWorld();
        ~TestWorld();
    };
}
