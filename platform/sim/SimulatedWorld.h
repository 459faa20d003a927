// The simulated device world behind the platform stand-in: USB HID devices, Core Audio objects, system
// power messages and the Audio MIDI Setup utility, as the hardware and the operating system would
// present them. The program uses it only through the IOKit, CoreFoundation, Core Audio and AppleScript
// calls; the application's start-up and tests use this interface to build the world and to act on it
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

    // The run-loop modes besides the default one that belong to the common modes: the main run loop runs
    // in them while a menu is tracked and while a modal panel runs.
    constexpr const char* eventTrackingRunLoopMode = "NSEventTrackingRunLoopMode";
    constexpr const char* modalPanelRunLoopMode = "NSModalPanelRunLoopMode";

    // Data sources ('ssrc' in the input scope) that the input-select report chooses.
    constexpr UInt32 dataSourceLine = fourCharCode ("line");
    constexpr UInt32 dataSourceMic = fourCharCode ("mic ");
    constexpr UInt32 dataSourceHIZ = fourCharCode ("hiz ");
    constexpr UInt32 dataSourceMicHIZ = fourCharCode ("mhiz");

    // The Tolva interface as the system presents it, for the program's default world and for tests
    // that build the device piece by piece: its Core Audio object "Tolva" by "TARVIK, Inc." serving
    // input and output, and its HID device with product ID 0x0142, named "Tolva" and switching the
    // given audio object.
    constexpr SInt32 tolvaProductId = 0x0142;
    AudioDeviceSpec tolvaAudioSpec();
    HidDeviceSpec tolvaHidSpec (SInt32 vendorId, AudioObjectID linkedAudioObject = 0);

    // The world as the program and a user see it. Its fault switches, logs and counters, and its reset,
    // are for tests only and live in sim::TestWorld (platform/sim/testing).
    class World
    {
    public:
        static World& get();

        // The world the application shows on this platform: the Tolva interface (audio object first,
        // then the HID device linked to it) with the given vendor ID, and an unrelated audio device.
        void installDefaultDevices (SInt32 vendorId);

        // HID ---------------------------------------------------------------------------------------
        // Attaches a device; managers that are open and match it report it on the message thread.
        IOHIDDeviceRef plugHid (const HidDeviceSpec& spec);
        // Detaches it: from now on it takes no report; managers that reported it report its removal.
        // The handle stays valid memory (the world keeps it) so a stale handle never dangles.
        void unplugHid (IOHIDDeviceRef device);
        bool isHidAttached (IOHIDDeviceRef device) const;
        bool isHidOpen (IOHIDDeviceRef device) const;

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
        OSStatus externalSetVolumeDb (AudioObjectID object, AudioObjectPropertyScope scope,
                                      AudioObjectPropertyElement element, float db);
        OSStatus externalSetMute (AudioObjectID object, AudioObjectPropertyScope scope, bool muted);
        // Announces a change of the given addresses without changing any value.
        void notify (AudioObjectID object, std::vector<AudioObjectPropertyAddress> addresses);

        // Values as the device holds them now.
        double nominalRate (AudioObjectID object) const;
        float volumeDb (AudioObjectID object, AudioObjectPropertyScope scope, AudioObjectPropertyElement element) const;
        bool mute (AudioObjectID object, AudioObjectPropertyScope scope) const;
        bool playThru (AudioObjectID object) const;
        UInt32 dataSource (AudioObjectID object) const;

        // Power ----------------------------------------------------------------------------------------
        // Delivers a power message to every registered power callback on the message thread.
        void sendPowerMessage (natural_t messageType, intptr_t argument);

    protected:
        World() = default;
        ~World() = default;

    private:
        JUCE_DECLARE_NON_COPYABLE (World)
    };
}
