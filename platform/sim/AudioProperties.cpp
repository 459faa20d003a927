// The properties of the simulated audio objects: which addresses exist, their sizes, and how the
// device answers a get or takes a set (clamping volumes, refusing rates it does not offer).
#include "WorldState.h"
#include "CFObjects.h"
#include "PlatformClock.h"

#include <cmath>
#include <cstring>

namespace
{
    using sim::detail::AudioDevice;
    using sim::detail::Direction;
    using sim::detail::Origin;

    enum class Property
    {
        uid,
        name,
        manufacturer,
        streams,
        rate,
        format,
        volumeDb,
        volumeScalar,
        mute,
        playThru,
        dataSource
    };

    struct Resolved
    {
        Property property;
        Direction direction;
        int element;
        UInt32 size;
    };

    constexpr double rate32k = 32000.0;

    std::optional<Direction> directionOf (AudioObjectPropertyScope scope)
    {
        if (scope == kAudioObjectPropertyScopeInput)
            return Direction::input;
        if (scope == kAudioObjectPropertyScopeOutput)
            return Direction::output;
        return {};
    }

    bool volumeElementExists (Direction direction, AudioObjectPropertyElement element)
    {
        return direction == Direction::input ? (element == 1 || element == 2) : element <= 2;
    }

    // Finds the property at the address, or says why there is none.
    OSStatus resolve (const AudioDevice& device, const AudioObjectPropertyAddress& address, Resolved& out)
    {
        const auto selector = address.mSelector;
        const auto element = address.mElement;
        const auto direction = directionOf (address.mScope);
        const bool mainElement = element == kAudioObjectPropertyElementMain;
        const bool directionExists = direction && device.hasDirection (*direction);

        auto found = [&] (Property p, UInt32 size)
        {
            out = { p, direction.value_or (Direction::input), static_cast<int> (element), size };
            return kAudioHardwareNoError;
        };

        switch (selector)
        {
            case kAudioDevicePropertyDeviceUID:
            case kAudioObjectPropertyName:
            case kAudioObjectPropertyManufacturer:
                if (! mainElement)
                    break;
                return found (selector == kAudioDevicePropertyDeviceUID ? Property::uid
                              : selector == kAudioObjectPropertyName    ? Property::name
                                                                        : Property::manufacturer,
                              sizeof (CFStringRef));

            case kAudioDevicePropertyStreamConfiguration:
                if (! mainElement || ! direction)
                    break;
                return found (Property::streams, sizeof (AudioBufferList));

            case kAudioDevicePropertyNominalSampleRate:
                if (! mainElement)
                    break;
                return found (Property::rate, sizeof (Float64));

            case kAudioStreamPropertyPhysicalFormat:
                if (! mainElement)
                    break;
                return found (Property::format, sizeof (AudioStreamBasicDescription));

            case kAudioDevicePropertyVolumeDecibels:
            case kAudioDevicePropertyVolumeScalar:
                if (! directionExists || ! volumeElementExists (*direction, element))
                    break;
                return found (selector == kAudioDevicePropertyVolumeDecibels ? Property::volumeDb : Property::volumeScalar,
                              sizeof (Float32));

            case kAudioDevicePropertyMute:
                if (! directionExists || ! mainElement)
                    break;
                return found (Property::mute, sizeof (UInt32));

            case kAudioDevicePropertyPlayThru:
                if (! mainElement || ! device.spec.hasInput)
                    break;
                return found (Property::playThru, sizeof (UInt32));

            case kAudioDevicePropertyDataSource:
                if (! mainElement || address.mScope != kAudioObjectPropertyScopeInput || ! device.spec.hasInput)
                    break;
                return found (Property::dataSource, sizeof (UInt32));

            default:
                break;
        }

        return kAudioHardwareUnknownPropertyError;
    }

    float scalarFromDb (juce::Range<float> range, float db)
    {
        if (range.getLength() <= 0.0f)
            return 1.0f;

        return juce::jlimit (0.0f, 1.0f, (db - range.getStart()) / range.getLength());
    }

    AudioStreamBasicDescription physicalFormat (double rate)
    {
        return {
            rate, kAudioFormatLinearPCM, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked, 4, 1, 4, 2, 16, 0
        };
    }

    template <typename Value>
    void put (void* data, const Value& value)
    {
        std::memcpy (data, &value, sizeof (Value));
    }

    template <typename Value>
    Value take (const void* data)
    {
        Value value;
        std::memcpy (&value, data, sizeof (Value));
        return value;
    }

    bool offers (const AudioDevice& device, double rate)
    {
        return std::find (device.spec.offeredRates.begin(), device.spec.offeredRates.end(), rate)
               != device.spec.offeredRates.end();
    }

    void getDeviceProperty (const AudioDevice& device, const Resolved& r, void* data)
    {
        const auto d = static_cast<int> (r.direction);
        switch (r.property)
        {
            case Property::uid:
                put (data, cf::makeString (device.spec.uid));
                break;
            case Property::name:
                put (data, cf::makeString (device.spec.name));
                break;
            case Property::manufacturer:
                put (data, cf::makeString (device.spec.manufacturer));
                break;
            case Property::rate:
                put (data, Float64 (device.rate));
                break;
            case Property::format:
                put (data, physicalFormat (device.rate));
                break;
            case Property::volumeDb:
                put (data, Float32 (device.volumeDb[d][r.element]));
                break;
            case Property::volumeScalar:
                put (data, scalarFromDb (device.dbRange (r.direction), device.volumeDb[d][r.element]));
                break;
            case Property::mute:
                put (data, UInt32 (device.muted[d] ? 1 : 0));
                break;
            case Property::playThru:
                put (data, UInt32 (device.playThru ? 1 : 0));
                break;
            case Property::dataSource:
                put (data, device.dataSource);
                break;
            case Property::streams:
            {
                AudioBufferList list {};
                if (device.hasDirection (r.direction))
                {
                    list.mNumberBuffers = 1;
                    list.mBuffers[0].mNumberChannels = 2;
                }
                put (data, list);
                break;
            }
        }
    }
}

namespace sim::detail
{
    OSStatus WorldState::getProperty (AudioObjectID object, const AudioObjectPropertyAddress& address, UInt32* ioSize,
                                      void* data, bool sizeOnly)
    {
        settleRates();

        if (object == kAudioObjectSystemObject)
        {
            if (address.mSelector != kAudioHardwarePropertyDevices)
                return kAudioHardwareUnknownPropertyError;
            if (deviceListFails)
                return kAudioHardwareUnspecifiedError;

            const auto fits = sizeOnly ? audioDevices.size()
                                       : std::min<size_t> (audioDevices.size(), *ioSize / sizeof (AudioObjectID));
            if (! sizeOnly)
                for (size_t i = 0; i < fits; ++i)
                    std::memcpy (static_cast<char*> (data) + i * sizeof (AudioObjectID), &audioDevices[i]->id,
                                 sizeof (AudioObjectID));

            *ioSize = static_cast<UInt32> (fits * sizeof (AudioObjectID));
            return kAudioHardwareNoError;
        }

        auto* device = findAudio (object);
        if (device == nullptr)
            return kAudioHardwareBadObjectError;
        if (device->getFails (address.mSelector))
            return kAudioHardwareUnspecifiedError;

        Resolved r {};
        if (const auto status = resolve (*device, address, r); status != kAudioHardwareNoError)
            return status;

        if (! sizeOnly)
        {
            if (*ioSize != r.size)
                return kAudioHardwareBadPropertySizeError;

            getDeviceProperty (*device, r, data);
        }

        *ioSize = r.size;
        return kAudioHardwareNoError;
    }

    namespace
    {
        // Asks the device for a new nominal rate. The program's requests take effect after the
        // device's settle delay; another program's at once.
        OSStatus requestRate (WorldState& state, AudioDevice& device, double rate, bool viaFormat, Origin origin)
        {
            if (! offers (device, rate) && ! (viaFormat && rate == rate32k))
                return kAudioDeviceUnsupportedFormatError;

            if (rate == device.pendingRate.value_or (device.rate))
                return kAudioHardwareNoError;

            if (origin == Origin::program && device.settleDelayMs > 0 && rate != device.rate)
            {
                device.pendingRate = rate;
                device.pendingDue = PlatformClock::getMillisecondCounterHiRes() + device.settleDelayMs;
                state.settleRates();
                return kAudioHardwareNoError;
            }

            device.pendingRate.reset();
            if (rate != device.rate)
            {
                device.rate = rate;
                state.announce (device.id, { { kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeGlobal, 0 },
                                             { kAudioStreamPropertyPhysicalFormat, kAudioObjectPropertyScopeGlobal, 0 } });
            }
            return kAudioHardwareNoError;
        }

        OSStatus setVolume (WorldState& state, AudioDevice& device, const Resolved& r, float db)
        {
            if (! std::isfinite (db))
                return kAudioHardwareIllegalOperationError;

            const auto d = static_cast<int> (r.direction);
            const auto clamped = device.dbRange (r.direction).clipValue (db);
            if (clamped == device.volumeDb[d][r.element])
                return kAudioHardwareNoError;

            device.volumeDb[d][r.element] = clamped;
            const auto scope =
                r.direction == Direction::input ? kAudioObjectPropertyScopeInput : kAudioObjectPropertyScopeOutput;
            const auto element = static_cast<AudioObjectPropertyElement> (r.element);
            state.announce (device.id, { { kAudioDevicePropertyVolumeDecibels, scope, element },
                                         { kAudioDevicePropertyVolumeScalar, scope, element } });
            return kAudioHardwareNoError;
        }

        // Sets a flag-like value and announces it at the given address when it changed.
        template <typename Value>
        OSStatus setValue (WorldState& state, AudioDevice& device, Value& held, Value wanted, AudioObjectPropertyAddress announced)
        {
            if (held == wanted)
                return kAudioHardwareNoError;

            held = wanted;
            state.announce (device.id, { announced });
            return kAudioHardwareNoError;
        }

        bool isKnownDataSource (UInt32 source)
        {
            return source == dataSourceLine || source == dataSourceMic || source == dataSourceHIZ || source == dataSourceMicHIZ;
        }
    }

    OSStatus WorldState::setProperty (AudioObjectID object, const AudioObjectPropertyAddress& address, UInt32 size,
                                      const void* data, Origin origin)
    {
        settleRates();

        if (object == kAudioObjectSystemObject)
            return address.mSelector == kAudioHardwarePropertyDevices ? kAudioHardwareIllegalOperationError
                                                                      : kAudioHardwareUnknownPropertyError;

        auto* device = findAudio (object);
        if (device == nullptr)
            return kAudioHardwareBadObjectError;
        if (device->setFails (address.mSelector))
            return kAudioHardwareUnspecifiedError;

        Resolved r {};
        if (const auto status = resolve (*device, address, r); status != kAudioHardwareNoError)
            return status;
        if (size != r.size)
            return kAudioHardwareBadPropertySizeError;
        if (data == nullptr)
            return kAudioHardwareIllegalOperationError;

        const auto d = static_cast<int> (r.direction);
        switch (r.property)
        {
            case Property::rate:
                return requestRate (*this, *device, take<Float64> (data), false, origin);

            case Property::format:
            {
                const auto format = take<AudioStreamBasicDescription> (data);
                if (format.mFormatID != kAudioFormatLinearPCM)
                    return kAudioDeviceUnsupportedFormatError;
                return requestRate (*this, *device, format.mSampleRate, true, origin);
            }

            case Property::volumeDb:
                return setVolume (*this, *device, r, take<Float32> (data));

            case Property::volumeScalar:
            {
                const auto scalar = take<Float32> (data);
                if (! std::isfinite (scalar))
                    return kAudioHardwareIllegalOperationError;
                const auto range = device->dbRange (r.direction);
                return setVolume (*this, *device, r, range.getStart() + juce::jlimit (0.0f, 1.0f, scalar) * range.getLength());
            }

            case Property::mute:
                return setValue (*this, *device, device->muted[d], take<UInt32> (data) != 0,
                                 { kAudioDevicePropertyMute, address.mScope, 0 });

            case Property::playThru:
                return setValue (*this, *device, device->playThru, take<UInt32> (data) != 0,
                                 { kAudioDevicePropertyPlayThru, address.mScope, 0 });

            case Property::dataSource:
            {
                const auto source = take<UInt32> (data);
                if (! isKnownDataSource (source))
                    return kAudioHardwareIllegalOperationError;
                return setValue (*this, *device, device->dataSource, source,
                                 { kAudioDevicePropertyDataSource, kAudioObjectPropertyScopeInput, 0 });
            }

            case Property::uid:
            case Property::name:
            case Property::manufacturer:
            case Property::streams:
                break;
        }

        return kAudioHardwareUnsupportedOperationError;
    }
}
