// Typed reads and writes of the device's Core Audio properties as the panel makes them: no qualifier,
// one value of a fixed-size type per call.
#pragma once

#include <CoreAudio.h>

// Reads one value. A failed read leaves `value` as it was; the status tells the one caller that cares.
template <typename Value>
OSStatus readDeviceProperty (AudioObjectID object, AudioObjectPropertySelector selector, AudioObjectPropertyScope scope,
                             AudioObjectPropertyElement element, Value& value)
{
    const AudioObjectPropertyAddress address { selector, scope, element };
    Value received {};
    UInt32 size = sizeof (Value);
    const auto status = AudioObjectGetPropertyData (object, &address, 0, nullptr, &size, &received);

    if (status == kAudioHardwareNoError)
        value = received;

    return status;
}

// Requests a change; whether the device took it is read back later, so the status is not returned.
template <typename Value>
void writeDeviceProperty (AudioObjectID object, AudioObjectPropertySelector selector, AudioObjectPropertyScope scope,
                          AudioObjectPropertyElement element, Value value)
{
    const AudioObjectPropertyAddress address { selector, scope, element };
    AudioObjectSetPropertyData (object, &address, 0, nullptr, sizeof (Value), &value);
}

inline void writeMute (AudioObjectID object, AudioObjectPropertyScope scope, bool muted)
{
    writeDeviceProperty (object, kAudioDevicePropertyMute, scope, kAudioObjectPropertyElementMain, UInt32 (muted ? 1 : 0));
}

inline void writeVolumeDb (AudioObjectID object, AudioObjectPropertyScope scope, AudioObjectPropertyElement element,
                           Float32 decibels)
{
    writeDeviceProperty (object, kAudioDevicePropertyVolumeDecibels, scope, element, decibels);
}
