// The simulated device world behind the platform stand-in: USB HID devices, Core Audio objects, system
// power messages and the Audio MIDI Setup utility, as the hardware and the operating system would
// present them. The program uses it only through the IOKit, CoreFoundation, Core Audio and AppleScript
// calls; tests and the application's start-up use this interface to build the world and to act on it
// as a user or another program would.
#pragma once

#include "CoreAudio.h"
#include "IOKit.h"

#include <optional>
#include <vector>

namespace sim
{
    // A USB HID device as it would be plugged in. Any property may be absent.
    struct HidDeviceSpec
    {
        std::optional<SInt32> vendorId;
        std::optional<SInt32> productId;
        std::optional<juce::String> product;
        // The audio object whose data source and play-through this device's reports switch (0: none).
        AudioObjectID linkedAudioObject = 0;
    };

    // One output report as the device received it.
    struct HidReport
    {
        IOHIDReportType type;
        CFIndex reportId;
        std::vector<UInt8> bytes;
    };

    // A Core Audio device. One object can serve input, output or both.
    struct AudioDeviceSpec
    {
        juce::String name;
        juce::String manufacturer;
        juce::String uid;
        bool hasInput = true;
        bool hasOutput = true;
        double nominalRate = 48000.0;
        juce::Range<float> inputDbRange { -40.0f, 12.0f };
        juce::Range<float> outputDbRange { -55.0f, 0.0f };
        // Wanted identifier; 0 lets the world choose a new one.
        AudioObjectID objectId = 0;
        // Nominal rates the device accepts through 'nsrt' (32000 Hz also through 'pft ').
        std::vector<double> offeredRates { 44100.0, 48000.0, 96000.0 };
    };

    // One property write made by the program through AudioObjectSetPropertyData, as it was requested.
    struct PropertyWrite
    {
        AudioObjectID object;
        AudioObjectPropertyAddress address;
        std::vector<UInt8> data;

        float asFloat32() const;
        double asFloat64() const;
        UInt32 asUInt32() const;
    };

    // Data sources ('ssrc' in the input scope) that the input-select report chooses.
    constexpr UInt32 dataSourceLine = fourCharCode ("line");
    constexpr UInt32 dataSourceMic = fourCharCode ("mic ");
    constexpr UInt32 dataSourceHIZ = fourCharCode ("hiz ");
    constexpr UInt32 dataSourceMicHIZ = fourCharCode ("mhiz");

    class World
    {
    public:
        static World& get();

        // Removes every device, manager, listener and registration, drops callbacks not yet delivered,
        // clears the logs and the switches, and sets the platform clock back to real time. Waits until
        // the listener thread is idle; call it from the message thread only when no listener call can be
        // waiting for the message thread (that is, after pumping the message loop).
        void reset();

        // The world the application shows on this platform: the interface named "Tolva" by
        // "TARVIK, Inc." (one HID device with the given vendor ID and product ID 0x0142, linked to one
        // audio object that serves input and output) and an unrelated audio device.
        void installDefaultDevices (SInt32 vendorId);

        // HID ---------------------------------------------------------------------------------------
        // Attaches a device; managers that are open and match it report it on the message thread.
        IOHIDDeviceRef plugHid (const HidDeviceSpec& spec);
        // Detaches it: from now on it takes no report; managers that reported it report its removal.
        // The handle stays valid memory (the world keeps it) so a stale handle never dangles.
        void unplugHid (IOHIDDeviceRef device);
        bool isHidAttached (IOHIDDeviceRef device) const;
        bool isHidOpen (IOHIDDeviceRef device) const;
        // Every report the device received, in order.
        std::vector<HidReport> hidReports (IOHIDDeviceRef device) const;
        // Every call of IOHIDDeviceSetReport, delivered or refused, with the handle it was given.
        int hidReportAttempts() const;
        int hidReportsRefused() const;

        // Core Audio --------------------------------------------------------------------------------
        AudioObjectID addAudioDevice (const AudioDeviceSpec& spec);
        // The object disappears from the device list; every call on it fails from now on. Listeners stay
        // attached to the identifier: a device added again under the same objectId carries them, as a
        // device that comes back as the same object would.
        void removeAudioDevice (AudioObjectID object);

        // Changes made as another program would make them: clamped or refused like the hardware, and
        // announced to the listeners on the notification thread. Return the status of the set.
        OSStatus externalSet (AudioObjectID object, AudioObjectPropertyAddress address, const void* data, UInt32 size);
        OSStatus externalSetNominalRate (AudioObjectID object, double rate);
        OSStatus externalSetVolumeDb (AudioObjectID object, AudioObjectPropertyScope scope, AudioObjectPropertyElement element, float db);
        OSStatus externalSetMute (AudioObjectID object, AudioObjectPropertyScope scope, bool muted);
        // Announces a change of the given addresses without changing any value.
        void notify (AudioObjectID object, std::vector<AudioObjectPropertyAddress> addresses);

        // Values as the device holds them now.
        double nominalRate (AudioObjectID object) const;
        float volumeDb (AudioObjectID object, AudioObjectPropertyScope scope, AudioObjectPropertyElement element) const;
        bool mute (AudioObjectID object, AudioObjectPropertyScope scope) const;
        bool playThru (AudioObjectID object) const;
        UInt32 dataSource (AudioObjectID object) const;
        int listenerCount (AudioObjectID object) const;

        // Every AudioObjectSetPropertyData call of the program, in order (refused ones too).
        std::vector<PropertyWrite> propertyWrites() const;
        void clearLogs();

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
        // The source of every AppleScript executed, in order, whether it succeeded or not.
        juce::StringArray appleScriptsRun() const;

        // Notification thread ------------------------------------------------------------------------
        // True when no announcement is queued or being delivered.
        bool listenerIdle() const;
        // Total listener calls made so far.
        int listenerCallsDelivered() const;

        // Power ----------------------------------------------------------------------------------------
        // Delivers a power message to every registered power callback on the message thread.
        void sendPowerMessage (natural_t messageType, intptr_t argument);
        // The arguments of every IOAllowPowerChange call, in order.
        std::vector<intptr_t> allowedPowerChanges() const;

        // Registrations made so far (for tests of the registration).
        int hidManagerCount() const;
        int powerRegistrationCount() const;
        int serviceNotificationCount() const;
        // The matching dictionaries given to the last manager, each as "VendorID=..;ProductID=.." text
        // (keys in the order they were set, numbers in decimal, e.g. "VendorID=8137;ProductID=322").
        juce::StringArray lastManagerCriteria() const;

    private:
        World();
        ~World();
        struct Impl;
        std::unique_ptr<Impl> impl;
        JUCE_DECLARE_NON_COPYABLE (World)
    };
}
