#include "CoreAudioDevice.h"

#include "RegisterDeviceCallBacksMac.h"
#include <CFUniquePtr.h>
#include <PlatformClock.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{
    struct FreeDeleter
    {
        void operator() (void* block) const { std::free (block); }
    };
    using MallocBlock = std::unique_ptr<void, FreeDeleter>;

    constexpr AudioObjectPropertyAddress nominalRateAddress { kAudioDevicePropertyNominalSampleRate,
                                                              kAudioObjectPropertyScopeWildcard,
                                                              kAudioObjectPropertyElementMain };

    constexpr AudioObjectPropertyAddress everyPropertyAddress { kAudioObjectPropertySelectorWildcard,
                                                                kAudioObjectPropertyScopeWildcard,
                                                                kAudioObjectPropertyElementWildcard };

    // 16-bit signed integer stereo, packed: the format that selects 32 kHz.
    constexpr AudioStreamBasicDescription physicalFormat32k {
        32000.0, kAudioFormatLinearPCM, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked, 4, 1, 4, 2, 16, 0
    };

    constexpr double eventRates[] { 192000.0, 176400.0, 96000.0, 88200.0, 48000.0, 32000.0, 44100.0 };

    // The device list of the system object; empty when it can't be read.
    std::vector<AudioObjectID> readDeviceList()
    {
        const AudioObjectPropertyAddress address { kAudioHardwarePropertyDevices, kAudioObjectPropertyScopeGlobal,
                                                   kAudioObjectPropertyElementMain };
        UInt32 size = 0;
        if (AudioObjectGetPropertyDataSize (kAudioObjectSystemObject, &address, 0, nullptr, &size) != 0)
            return {};

        MallocBlock list (std::malloc (size));
        if (list == nullptr)
            return {};

        if (AudioObjectGetPropertyData (kAudioObjectSystemObject, &address, 0, nullptr, &size, list.get()) != 0)
            return {};

        const auto* ids = static_cast<const AudioObjectID*> (list.get());
        return { ids, ids + size / sizeof (AudioObjectID) };
    }

    CFUniquePtr<CFStringRef> readString (AudioObjectID device, AudioObjectPropertySelector selector,
                                         AudioObjectPropertyScope scope, bool& ok)
    {
        const AudioObjectPropertyAddress address { selector, scope, kAudioObjectPropertyElementMain };
        CFStringRef value = nullptr;
        UInt32 size = sizeof (value);
        ok = AudioObjectGetPropertyData (device, &address, 0, nullptr, &size, &value) == 0;
        return CFUniquePtr<CFStringRef> (value);
    }

    enum class Streams
    {
        none,
        some,
        outOfMemory
    };

    // Whether the device has streams in the pass's direction.
    Streams readStreams (AudioObjectID device, AudioObjectPropertyScope scope)
    {
        const AudioObjectPropertyAddress address { kAudioDevicePropertyStreamConfiguration, scope,
                                                   kAudioObjectPropertyElementMain };
        UInt32 size = 0;
        if (AudioObjectGetPropertyDataSize (device, &address, 0, nullptr, &size) != 0)
            return Streams::none;

        MallocBlock buffers (std::malloc (std::max<UInt32> (size, sizeof (UInt32))));
        if (buffers == nullptr)
            return Streams::outOfMemory;

        if (AudioObjectGetPropertyData (device, &address, 0, nullptr, &size, buffers.get()) != 0 || size < sizeof (UInt32))
            return Streams::none;

        return static_cast<const AudioBufferList*> (buffers.get())->mNumberBuffers != 0 ? Streams::some : Streams::none;
    }

    // The device's name must be the given name in any letter case, or a leading part of it in the same case.
    bool nameMatches (CFStringRef givenName, CFStringRef deviceName)
    {
        const auto given = juceStringFromCFString (givenName);
        const auto device = juceStringFromCFString (deviceName);

        return juce::CharacterFunctions::compareUpTo (given.getCharPointer(), device.getCharPointer(), device.length()) == 0
               || CFStringCompare (givenName, deviceName, kCFCompareCaseInsensitive) == kCFCompareEqualTo;
    }

    // Examines one device in one direction; false ends the pass.
    bool examineDevice (AudioObjectID device, bool inputPass, CFStringRef name, CFStringRef manufacturer, void* context)
    {
        const auto scope = inputPass ? kAudioObjectPropertyScopeInput : kAudioObjectPropertyScopeOutput;

        bool ok = false;
        const auto uid = readString (device, kAudioDevicePropertyDeviceUID, scope, ok);
        if (! ok)
            return true;
        const auto deviceName = readString (device, kAudioObjectPropertyName, scope, ok);
        if (! ok)
            return true;
        const auto deviceManufacturer = readString (device, kAudioObjectPropertyManufacturer, scope, ok);
        if (! ok)
            return true;

        const auto streams = readStreams (device, scope);
        if (streams == Streams::outOfMemory)
            return false;
        if (streams == Streams::none)
            return true;

        if (! nameMatches (name, deviceName.get())
            || CFStringCompare (manufacturer, deviceManufacturer.get(), kCFCompareCaseInsensitive) != kCFCompareEqualTo)
            return true;

        auto& mine = inputPass ? gInAudioObjectID : gOutAudioObjectID;
        auto& other = inputPass ? gOutAudioObjectID : gInAudioObjectID;

        // A platform may refuse a second installation of the same listener; a device serving both
        // directions then still counts for the second one.
        if (AudioObjectAddPropertyListener (device, &everyPropertyAddress, myAudioObjectPropertyListenerProc, context) == 0
            || other == device)
            mine = device;

        return true;
    }

    OSStatus readRate (AudioObjectID object, const AudioObjectPropertyAddress& address, Float64& rate)
    {
        UInt32 size = sizeof (rate);
        return AudioObjectGetPropertyData (object, &address, 0, nullptr, &size, &rate);
    }

    // Keeps input and output on the rate one of them changed to; raises an event for the rates we offer.
    void handleRateChange (AudioObjectID object, const AudioObjectPropertyAddress& address, DeviceContext& context)
    {
        Float64 newRate = 0.0;
        if (readRate (object, address, newRate) != 0)
            return;

        for (AudioObjectID side : { gInAudioObjectID.load(), gOutAudioObjectID.load() })
        {
            Float64 rate = 0.0;
            readRate (side, nominalRateAddress, rate);
            if (rate != newRate)
                AudioObjectSetPropertyData (side, &nominalRateAddress, 0, nullptr, sizeof (newRate), &newRate);
        }

        if (std::find (std::begin (eventRates), std::end (eventRates), newRate) != std::end (eventRates))
            raiseDeviceEvent (context, deviceEventChanged);
    }

    void handleChange (AudioObjectID object, const AudioObjectPropertyAddress& address, DeviceContext& context)
    {
        switch (address.mSelector)
        {
            case kAudioDevicePropertyVolumeScalar:
            {
                Float32 volume = 0.0f;
                UInt32 size = sizeof (volume);
                if (AudioObjectGetPropertyData (object, &address, 0, nullptr, &size, &volume) == 0)
                    raiseDeviceEvent (context, deviceEventChanged);
                break;
            }

            case kAudioDevicePropertyMute:
            case kAudioDevicePropertyPlayThru:
            case kAudioDevicePropertyDataSource:
                raiseDeviceEvent (context, deviceEventChanged);
                break;

            case kAudioDevicePropertyNominalSampleRate:
                handleRateChange (object, address, context);
                break;

            default:
                break;
        }
    }

    struct RateReading
    {
        OSStatus inStatus = 0, outStatus = 0;
        Float64 inRate = 0.0, outRate = 0.0;
    };

    RateReading readBothRates()
    {
        RateReading reading;
        reading.inStatus = readRate (gInAudioObjectID, nominalRateAddress, reading.inRate);
        reading.outStatus = readRate (gOutAudioObjectID, nominalRateAddress, reading.outRate);
        return reading;
    }

    // Blocks until the platform's millisecond counter has advanced by the given time, sleeping in short
    // steps and yielding for the last few milliseconds.
    void waitMilliseconds (std::uint32_t milliseconds)
    {
        const auto target = PlatformClock::getMillisecondCounter() + milliseconds;

        for (;;)
        {
            const auto remaining = static_cast<std::int32_t> (target - PlatformClock::getMillisecondCounter());
            if (remaining <= 0)
                return;

            if (remaining > 2)
                PlatformClock::sleepMilliseconds (std::min (remaining / 2, 20));
            else
                for (int i = 0; i < 10; ++i)
                    PlatformClock::yieldProcessor();
        }
    }
}

void CreateInputDeviceArray (CFStringRef name, CFStringRef manufacturer, void* context)
{
    const auto devices = readDeviceList();

    for (bool inputPass : { true, false })
        for (auto device : devices)
            if (! examineDevice (device, inputPass, name, manufacturer, context))
                break;
}

OSStatus myAudioObjectPropertyListenerProc (AudioObjectID objectID, UInt32 numberAddresses,
                                            const AudioObjectPropertyAddress* addresses, void* clientData)
{
    if (clientData == nullptr || addresses == nullptr)
        return 0;

    auto& context = *static_cast<DeviceContext*> (clientData);
    for (UInt32 i = 0; i < numberAddresses; ++i)
        handleChange (objectID, addresses[i], context);

    return 0;
}

bool hw_setSampleRate (double rate)
{
    const bool physical = rate == 32000.0;
    const AudioObjectPropertyAddress address { physical ? kAudioStreamPropertyPhysicalFormat : kAudioDevicePropertyNominalSampleRate,
                                               kAudioObjectPropertyScopeWildcard, kAudioObjectPropertyElementMain };
    const void* data = physical ? static_cast<const void*> (&physicalFormat32k) : static_cast<const void*> (&rate);
    const UInt32 size = physical ? sizeof (physicalFormat32k) : sizeof (rate);

    AudioObjectSetPropertyData (gInAudioObjectID, &address, 0, nullptr, size, data);
    AudioObjectSetPropertyData (gOutAudioObjectID, &address, 0, nullptr, size, data);

    const auto first = readBothRates();
    if (first.inStatus == first.outStatus && first.inRate == first.outRate)
        return first.inStatus == 0;

    // The device may take a moment to settle both sides: look once more after 300 ms.
    waitMilliseconds (300);

    const auto second = readBothRates();
    return second.inStatus == 0 && second.outStatus == 0 && second.inRate == second.outRate;
}
