// The Core Audio calls, and the world's audio objects as tests and the start-up build and drive them.
#include "WorldState.h"

#include <cstring>

using sim::detail::Origin;
using sim::detail::WorldState;

namespace
{
    constexpr AudioObjectPropertyAddress deviceListAddress { kAudioHardwarePropertyDevices,
                                                             kAudioObjectPropertyScopeGlobal, 0 };
}

OSStatus AudioObjectGetPropertyDataSize (AudioObjectID objectID, const AudioObjectPropertyAddress* address, UInt32,
                                         const void*, UInt32* outDataSize)
{
    if (address == nullptr || outDataSize == nullptr)
        return kAudioHardwareIllegalOperationError;

    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    return state.getProperty (objectID, *address, outDataSize, nullptr, true);
}

OSStatus AudioObjectGetPropertyData (AudioObjectID objectID, const AudioObjectPropertyAddress* address, UInt32,
                                     const void*, UInt32* ioDataSize, void* outData)
{
    if (address == nullptr || ioDataSize == nullptr || outData == nullptr)
        return kAudioHardwareIllegalOperationError;

    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    return state.getProperty (objectID, *address, ioDataSize, outData, false);
}

OSStatus AudioObjectSetPropertyData (AudioObjectID objectID, const AudioObjectPropertyAddress* address, UInt32,
                                     const void*, UInt32 dataSize, const void* data)
{
    if (address == nullptr)
        return kAudioHardwareIllegalOperationError;

    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);

    if (state.keepLogs)
    {
        sim::PropertyWrite write { objectID, *address, {} };
        if (data != nullptr)
            write.data.assign (static_cast<const UInt8*> (data), static_cast<const UInt8*> (data) + dataSize);
        state.writes.push_back (std::move (write));
    }

    return state.setProperty (objectID, *address, dataSize, data, Origin::program);
}

OSStatus AudioObjectAddPropertyListener (AudioObjectID objectID, const AudioObjectPropertyAddress* address,
                                         AudioObjectPropertyListenerProc listener, void* clientData)
{
    if (address == nullptr || listener == nullptr)
        return kAudioHardwareIllegalOperationError;

    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    if (objectID != kAudioObjectSystemObject && state.findAudio (objectID) == nullptr)
        return kAudioHardwareBadObjectError;

    auto& installed = state.listeners[objectID];
    for (auto& existing : installed)
        if (existing.proc == listener && existing.clientData == clientData)
            return state.refuseDuplicateListener ? kAudioHardwareIllegalOperationError : kAudioHardwareNoError;

    installed.push_back ({ listener, clientData, *address });
    return kAudioHardwareNoError;
}

namespace sim
{
    float PropertyWrite::asFloat32() const
    {
        Float32 value = 0;
        if (data.size() >= sizeof (value))
            std::memcpy (&value, data.data(), sizeof (value));
        return value;
    }

    double PropertyWrite::asFloat64() const
    {
        Float64 value = 0;
        if (data.size() >= sizeof (value))
            std::memcpy (&value, data.data(), sizeof (value));
        return value;
    }

    UInt32 PropertyWrite::asUInt32() const
    {
        UInt32 value = 0;
        if (data.size() >= sizeof (value))
            std::memcpy (&value, data.data(), sizeof (value));
        return value;
    }

    AudioObjectID World::addAudioDevice (const AudioDeviceSpec& spec)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);

        auto id = spec.objectId;
        if (id == 0)
        {
            while (state.findAudio (state.nextAudioId) != nullptr)
                ++state.nextAudioId;
            id = state.nextAudioId++;
        }
        else if (id == kAudioObjectSystemObject || state.findAudio (id) != nullptr)
        {
            jassertfalse;   // the identifier is taken
            return kAudioObjectUnknown;
        }

        auto device = std::make_unique<detail::AudioDevice>();
        device->spec = spec;
        device->id = id;
        device->rate = spec.nominalRate;
        for (auto direction : { detail::Direction::input, detail::Direction::output })
            for (auto& db : device->volumeDb[static_cast<int> (direction)])
                db = device->dbRange (direction).clipValue (0.0f);

        state.audioDevices.push_back (std::move (device));
        state.announce (kAudioObjectSystemObject, { deviceListAddress });
        return id;
    }

    void World::removeAudioDevice (AudioObjectID object)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        auto& devices = state.audioDevices;
        const auto before = devices.size();
        devices.erase (std::remove_if (devices.begin(), devices.end(), [object] (auto& d) { return d->id == object; }),
                       devices.end());

        if (devices.size() != before)
            state.announce (kAudioObjectSystemObject, { deviceListAddress });
    }

    OSStatus World::externalSet (AudioObjectID object, AudioObjectPropertyAddress address, const void* data, UInt32 size)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.setProperty (object, address, size, data, Origin::outside);
    }

    OSStatus World::externalSetNominalRate (AudioObjectID object, double rate)
    {
        const Float64 value = rate;
        return externalSet (object, { kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeGlobal, 0 },
                            &value, sizeof (value));
    }

    OSStatus World::externalSetVolumeDb (AudioObjectID object, AudioObjectPropertyScope scope,
                                         AudioObjectPropertyElement element, float db)
    {
        const Float32 value = db;
        return externalSet (object, { kAudioDevicePropertyVolumeDecibels, scope, element }, &value, sizeof (value));
    }

    OSStatus World::externalSetMute (AudioObjectID object, AudioObjectPropertyScope scope, bool muted)
    {
        const UInt32 value = muted ? 1 : 0;
        return externalSet (object, { kAudioDevicePropertyMute, scope, 0 }, &value, sizeof (value));
    }

    void World::notify (AudioObjectID object, std::vector<AudioObjectPropertyAddress> addresses)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.announce (object, std::move (addresses));
    }

    namespace
    {
        // Reads a value as the program would, through the property table; zero when there is none.
        template <typename Value>
        Value readValue (AudioObjectID object, AudioObjectPropertyAddress address)
        {
            auto& state = WorldState::get();
            const std::lock_guard<std::mutex> guard (state.mutex);
            Value value {};
            UInt32 size = sizeof (value);
            auto* device = state.findAudio (object);
            if (device == nullptr)
                return value;

            // A failing get is a switch for the program; the world's own view ignores it.
            const auto saved = std::exchange (device->failingGets, {});
            if (state.getProperty (object, address, &size, &value, false) != kAudioHardwareNoError)
                value = {};
            device->failingGets = saved;
            return value;
        }
    }

    double World::nominalRate (AudioObjectID object) const
    {
        return readValue<Float64> (object, { kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeGlobal, 0 });
    }

    float World::volumeDb (AudioObjectID object, AudioObjectPropertyScope scope, AudioObjectPropertyElement element) const
    {
        return readValue<Float32> (object, { kAudioDevicePropertyVolumeDecibels, scope, element });
    }

    bool World::mute (AudioObjectID object, AudioObjectPropertyScope scope) const
    {
        return readValue<UInt32> (object, { kAudioDevicePropertyMute, scope, 0 }) != 0;
    }

    bool World::playThru (AudioObjectID object) const
    {
        return readValue<UInt32> (object, { kAudioDevicePropertyPlayThru, kAudioObjectPropertyScopeGlobal, 0 }) != 0;
    }

    UInt32 World::dataSource (AudioObjectID object) const
    {
        return readValue<UInt32> (object, { kAudioDevicePropertyDataSource, kAudioObjectPropertyScopeInput, 0 });
    }
}
