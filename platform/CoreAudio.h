// Stand-in for the Core Audio hardware calls the device code makes. Objects are named by an
// AudioObjectID and their properties by an address of selector, scope and element. Listeners are called
// on a separate notification thread, never on the message thread, as Core Audio does.
#pragma once

#include "CoreFoundation.h"

using OSStatus = std::int32_t;
using AudioObjectID = UInt32;
using AudioObjectPropertySelector = UInt32;
using AudioObjectPropertyScope = UInt32;
using AudioObjectPropertyElement = UInt32;
using AudioFormatID = UInt32;
using AudioFormatFlags = UInt32;

constexpr UInt32 fourCharCode (const char (&code)[5])
{
    return (UInt32 (UInt8 (code[0])) << 24) | (UInt32 (UInt8 (code[1])) << 16) | (UInt32 (UInt8 (code[2])) << 8)
           | UInt32 (UInt8 (code[3]));
}

struct AudioObjectPropertyAddress
{
    AudioObjectPropertySelector mSelector;
    AudioObjectPropertyScope mScope;
    AudioObjectPropertyElement mElement;
};

struct AudioStreamBasicDescription
{
    Float64 mSampleRate;
    AudioFormatID mFormatID;
    AudioFormatFlags mFormatFlags;
    UInt32 mBytesPerPacket;
    UInt32 mFramesPerPacket;
    UInt32 mBytesPerFrame;
    UInt32 mChannelsPerFrame;
    UInt32 mBitsPerChannel;
    UInt32 mReserved;
};

struct AudioBuffer
{
    UInt32 mNumberChannels;
    UInt32 mDataByteSize;
    void* mData;
};

struct AudioBufferList
{
    UInt32 mNumberBuffers;
    AudioBuffer mBuffers[1];
};

using AudioObjectPropertyListenerProc = OSStatus (*) (AudioObjectID inObjectID, UInt32 inNumberAddresses,
                                                      const AudioObjectPropertyAddress* inAddresses, void* inClientData);

constexpr AudioObjectID kAudioObjectUnknown = 0;
constexpr AudioObjectID kAudioObjectSystemObject = 1;

constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeGlobal = fourCharCode ("glob");
constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeInput = fourCharCode ("inpt");
constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeOutput = fourCharCode ("outp");
constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeWildcard = fourCharCode ("****");
constexpr AudioObjectPropertyElement kAudioObjectPropertyElementMain = 0;
constexpr AudioObjectPropertyElement kAudioObjectPropertyElementMaster = 0;
constexpr AudioObjectPropertyElement kAudioObjectPropertyElementWildcard = 0xFFFFFFFF;

constexpr AudioObjectPropertySelector kAudioObjectPropertySelectorWildcard = fourCharCode ("****");
constexpr AudioObjectPropertySelector kAudioHardwarePropertyDevices = fourCharCode ("dev#");
constexpr AudioObjectPropertySelector kAudioDevicePropertyDeviceUID = fourCharCode ("uid ");
constexpr AudioObjectPropertySelector kAudioObjectPropertyName = fourCharCode ("lnam");
constexpr AudioObjectPropertySelector kAudioObjectPropertyManufacturer = fourCharCode ("lmak");
constexpr AudioObjectPropertySelector kAudioDevicePropertyStreamConfiguration = fourCharCode ("slay");
constexpr AudioObjectPropertySelector kAudioDevicePropertyNominalSampleRate = fourCharCode ("nsrt");
constexpr AudioObjectPropertySelector kAudioStreamPropertyPhysicalFormat = fourCharCode ("pft ");
constexpr AudioObjectPropertySelector kAudioDevicePropertyVolumeDecibels = fourCharCode ("vold");
constexpr AudioObjectPropertySelector kAudioDevicePropertyVolumeScalar = fourCharCode ("volm");
constexpr AudioObjectPropertySelector kAudioDevicePropertyMute = fourCharCode ("mute");
constexpr AudioObjectPropertySelector kAudioDevicePropertyPlayThru = fourCharCode ("thru");
constexpr AudioObjectPropertySelector kAudioDevicePropertyDataSource = fourCharCode ("ssrc");

constexpr AudioFormatID kAudioFormatLinearPCM = fourCharCode ("lpcm");
constexpr AudioFormatFlags kAudioFormatFlagIsFloat = 1;
constexpr AudioFormatFlags kAudioFormatFlagIsBigEndian = 2;
constexpr AudioFormatFlags kAudioFormatFlagIsSignedInteger = 4;
constexpr AudioFormatFlags kAudioFormatFlagIsPacked = 8;

constexpr OSStatus kAudioHardwareNoError = 0;
constexpr OSStatus kAudioHardwareUnspecifiedError = static_cast<OSStatus> (fourCharCode ("what"));
constexpr OSStatus kAudioHardwareUnknownPropertyError = static_cast<OSStatus> (fourCharCode ("who?"));
constexpr OSStatus kAudioHardwareBadPropertySizeError = static_cast<OSStatus> (fourCharCode ("!siz"));
constexpr OSStatus kAudioHardwareIllegalOperationError = static_cast<OSStatus> (fourCharCode ("nope"));
constexpr OSStatus kAudioHardwareBadObjectError = static_cast<OSStatus> (fourCharCode ("!obj"));
constexpr OSStatus kAudioHardwareUnsupportedOperationError = static_cast<OSStatus> (fourCharCode ("unop"));
constexpr OSStatus kAudioDeviceUnsupportedFormatError = static_cast<OSStatus> (fourCharCode ("!dat"));

// Every call takes no qualifier (size 0, null) in this system.
OSStatus AudioObjectGetPropertyDataSize (AudioObjectID objectID, const AudioObjectPropertyAddress* address,
                                         UInt32 qualifierDataSize, const void* qualifierData, UInt32* outDataSize);
// A string property comes back as a new string object that the caller releases.
OSStatus AudioObjectGetPropertyData (AudioObjectID objectID, const AudioObjectPropertyAddress* address,
                                     UInt32 qualifierDataSize, const void* qualifierData, UInt32* ioDataSize, void* outData);
OSStatus AudioObjectSetPropertyData (AudioObjectID objectID, const AudioObjectPropertyAddress* address,
                                     UInt32 qualifierDataSize, const void* qualifierData, UInt32 dataSize, const void* data);
OSStatus AudioObjectAddPropertyListener (AudioObjectID objectID, const AudioObjectPropertyAddress* address,
                                         AudioObjectPropertyListenerProc listener, void* clientData);
