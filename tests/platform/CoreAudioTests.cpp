#include "PlatformFixture.h"

#include <CoreAudio.h>

namespace
{
    constexpr AudioObjectPropertyAddress address (AudioObjectPropertySelector selector,
                                                  AudioObjectPropertyScope scope = kAudioObjectPropertyScopeGlobal,
                                                  AudioObjectPropertyElement element = 0)
    {
        return { selector, scope, element };
    }

    template <typename Value>
    OSStatus get (AudioObjectID object, AudioObjectPropertyAddress where, Value& value)
    {
        UInt32 size = sizeof (Value);
        return AudioObjectGetPropertyData (object, &where, 0, nullptr, &size, &value);
    }

    template <typename Value>
    OSStatus set (AudioObjectID object, AudioObjectPropertyAddress where, Value value)
    {
        return AudioObjectSetPropertyData (object, &where, 0, nullptr, sizeof (Value), &value);
    }

    juce::String getString (AudioObjectID object, AudioObjectPropertySelector selector, AudioObjectPropertyScope scope)
    {
        CFStringRef text = nullptr;
        if (get (object, address (selector, scope), text) != 0)
            return "<failed>";

        EXPECT_EQ (CFGetRetainCount (text), 1);   // a new object for the caller to release
        const auto result = juceStringFromCFString (text);
        CFRelease (text);
        return result;
    }

    std::vector<AudioObjectID> deviceList()
    {
        const auto where = address (kAudioHardwarePropertyDevices);
        UInt32 size = 0;
        if (AudioObjectGetPropertyDataSize (kAudioObjectSystemObject, &where, 0, nullptr, &size) != 0)
            return {};

        std::vector<AudioObjectID> ids (size / sizeof (AudioObjectID));
        if (AudioObjectGetPropertyData (kAudioObjectSystemObject, &where, 0, nullptr, &size, ids.data()) != 0)
            return {};
        return ids;
    }

    UInt32 bufferCount (AudioObjectID object, AudioObjectPropertyScope scope)
    {
        const auto where = address (kAudioDevicePropertyStreamConfiguration, scope);
        UInt32 size = 0;
        EXPECT_EQ (AudioObjectGetPropertyDataSize (object, &where, 0, nullptr, &size), 0);
        EXPECT_EQ (size, sizeof (AudioBufferList));
        AudioBufferList list { 99, {} };
        EXPECT_EQ (AudioObjectGetPropertyData (object, &where, 0, nullptr, &size, &list), 0);
        return list.mNumberBuffers;
    }
}

using AudioObjects = PlatformTest;

TEST_F (AudioObjects, DefaultWorldListsTheInterfaceAndAnUnrelatedDevice)
{
    world().installDefaultDevices (0x1fc9);
    const auto ids = deviceList();
    ASSERT_EQ (ids.size(), 2u);

    juce::StringArray names, makers;
    for (auto id : ids)
    {
        names.add (getString (id, kAudioObjectPropertyName, kAudioObjectPropertyScopeOutput));
        makers.add (getString (id, kAudioObjectPropertyManufacturer, kAudioObjectPropertyScopeOutput));
        EXPECT_NE (getString (id, kAudioDevicePropertyDeviceUID, kAudioObjectPropertyScopeOutput), "<failed>");
    }

    const auto tolva = ids[static_cast<size_t> (names.indexOf ("Tolva"))];
    ASSERT_GE (names.indexOf ("Tolva"), 0);
    EXPECT_EQ (makers[names.indexOf ("Tolva")], "TARVIK, Inc.");
    EXPECT_TRUE (names.contains ("Built-in Output"));
    EXPECT_EQ (bufferCount (tolva, kAudioObjectPropertyScopeInput), 1u);
    EXPECT_EQ (bufferCount (tolva, kAudioObjectPropertyScopeOutput), 1u);
    EXPECT_EQ (world().nominalRate (tolva), 48000.0);

    const auto builtIn = ids[static_cast<size_t> (names.indexOf ("Built-in Output"))];
    EXPECT_EQ (bufferCount (builtIn, kAudioObjectPropertyScopeInput), 0u);
    EXPECT_EQ (bufferCount (builtIn, kAudioObjectPropertyScopeOutput), 1u);

    world().removeAudioDevice (builtIn);
    EXPECT_EQ (deviceList(), (std::vector<AudioObjectID> { tolva }));
    world().setDeviceListFails (true);
    UInt32 size = 0;
    const auto where = address (kAudioHardwarePropertyDevices);
    EXPECT_NE (AudioObjectGetPropertyDataSize (kAudioObjectSystemObject, &where, 0, nullptr, &size), 0);
}

TEST_F (AudioObjects, CallsFailForUnknownObjectsPropertiesAndSizes)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    Float64 rate = 0;
    Float32 db = 0;
    UInt32 size = 2;

    EXPECT_EQ (get (0x999, address (kAudioDevicePropertyNominalSampleRate), rate), kAudioHardwareBadObjectError);
    EXPECT_EQ (get (tolva, address (fourCharCode ("abcd")), rate), kAudioHardwareUnknownPropertyError);
    EXPECT_EQ (get (tolva, address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeInput, 0), db),
               kAudioHardwareUnknownPropertyError);   // input volume has channels 1 and 2 only
    EXPECT_EQ (get (tolva, address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 3), db),
               kAudioHardwareUnknownPropertyError);
    const auto rateAddress = address (kAudioDevicePropertyNominalSampleRate);
    EXPECT_EQ (AudioObjectGetPropertyData (tolva, &rateAddress, 0, nullptr, &size, &rate), kAudioHardwareBadPropertySizeError);
    EXPECT_EQ (set (tolva, rateAddress, Float32 (44100)), kAudioHardwareBadPropertySizeError);
    EXPECT_EQ (world().nominalRate (tolva), 48000.0);

    world().setFailGet (tolva, kAudioObjectPropertyName, true);
    EXPECT_EQ (getString (tolva, kAudioObjectPropertyName, kAudioObjectPropertyScopeInput), "<failed>");
    world().setFailGet (tolva, kAudioObjectPropertyName, false);
    EXPECT_EQ (getString (tolva, kAudioObjectPropertyName, kAudioObjectPropertyScopeInput), "Tolva");

    world().removeAudioDevice (tolva);
    EXPECT_EQ (get (tolva, rateAddress, rate), kAudioHardwareBadObjectError);
    EXPECT_EQ (set (tolva, rateAddress, Float64 (44100)), kAudioHardwareBadObjectError);
}

TEST_F (AudioObjects, NominalRateAcceptsOfferedRatesAndThirtyTwoKilohertzOnlyThroughThePhysicalFormat)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    const auto anyScope = address (kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeWildcard);

    EXPECT_EQ (set (tolva, anyScope, Float64 (96000)), 0);
    Float64 rate = 0;
    EXPECT_EQ (get (tolva, address (kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeInput), rate), 0);
    EXPECT_EQ (rate, 96000.0);

    EXPECT_EQ (set (tolva, anyScope, Float64 (22050)), kAudioDeviceUnsupportedFormatError);
    EXPECT_EQ (set (tolva, anyScope, Float64 (32000)), kAudioDeviceUnsupportedFormatError);
    EXPECT_EQ (world().nominalRate (tolva), 96000.0);

    const AudioStreamBasicDescription format32k {
        32000.0, kAudioFormatLinearPCM, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked, 4, 1, 4, 2, 16, 0
    };
    EXPECT_EQ (set (tolva, address (kAudioStreamPropertyPhysicalFormat, kAudioObjectPropertyScopeWildcard), format32k), 0);
    EXPECT_EQ (world().nominalRate (tolva), 32000.0);

    auto format11k = format32k;
    format11k.mSampleRate = 11025.0;
    EXPECT_EQ (set (tolva, address (kAudioStreamPropertyPhysicalFormat), format11k), kAudioDeviceUnsupportedFormatError);
    EXPECT_EQ (world().nominalRate (tolva), 32000.0);
}

TEST_F (AudioObjects, VolumesAreClampedToEachDirectionsRangeAndGiveTheScalar)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    const auto inLeft = address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeInput, 1);
    const auto outRight = address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 2);

    EXPECT_EQ (set (tolva, inLeft, Float32 (30.0f)), 0);
    EXPECT_EQ (set (tolva, outRight, Float32 (-100.0f)), 0);
    EXPECT_EQ (
        set (tolva, address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 0), Float32 (224.0f)), 0);

    EXPECT_EQ (world().volumeDb (tolva, kAudioObjectPropertyScopeInput, 1), 12.0f);
    EXPECT_EQ (world().volumeDb (tolva, kAudioObjectPropertyScopeInput, 2), 0.0f);
    EXPECT_EQ (world().volumeDb (tolva, kAudioObjectPropertyScopeOutput, 2), -55.0f);
    EXPECT_EQ (world().volumeDb (tolva, kAudioObjectPropertyScopeOutput, 0), 0.0f);

    Float32 scalar = -1.0f;
    EXPECT_EQ (get (tolva, address (kAudioDevicePropertyVolumeScalar, kAudioObjectPropertyScopeInput, 1), scalar), 0);
    EXPECT_FLOAT_EQ (scalar, 1.0f);
    EXPECT_EQ (get (tolva, address (kAudioDevicePropertyVolumeScalar, kAudioObjectPropertyScopeInput, 2), scalar), 0);
    EXPECT_FLOAT_EQ (scalar, 40.0f / 52.0f);
    EXPECT_EQ (get (tolva, address (kAudioDevicePropertyVolumeScalar, kAudioObjectPropertyScopeOutput, 2), scalar), 0);
    EXPECT_FLOAT_EQ (scalar, 0.0f);
}

TEST_F (AudioObjects, MutePlayThroughAndDataSourceReadBackWhatWasSet)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    EXPECT_EQ (set (tolva, address (kAudioDevicePropertyMute, kAudioObjectPropertyScopeOutput), UInt32 (1)), 0);
    EXPECT_EQ (set (tolva, address (kAudioDevicePropertyPlayThru, kAudioObjectPropertyScopeInput), UInt32 (1)), 0);
    EXPECT_EQ (set (tolva, address (kAudioDevicePropertyDataSource, kAudioObjectPropertyScopeInput), sim::dataSourceHIZ), 0);
    EXPECT_EQ (set (tolva, address (kAudioDevicePropertyDataSource, kAudioObjectPropertyScopeInput), UInt32 (7)),
               kAudioHardwareIllegalOperationError);

    EXPECT_TRUE (world().mute (tolva, kAudioObjectPropertyScopeOutput));
    EXPECT_FALSE (world().mute (tolva, kAudioObjectPropertyScopeInput));
    EXPECT_TRUE (world().playThru (tolva));
    EXPECT_EQ (world().dataSource (tolva), sim::dataSourceHIZ);

    UInt32 muted = 7;
    EXPECT_EQ (get (tolva, address (kAudioDevicePropertyMute, kAudioObjectPropertyScopeOutput), muted), 0);
    EXPECT_EQ (muted, 1u);

    auto outputOnly = tolvaSpec();
    outputOnly.hasInput = false;
    outputOnly.uid = "out";
    const auto speaker = world().addAudioDevice (outputOnly);
    EXPECT_EQ (get (speaker, address (kAudioDevicePropertyMute, kAudioObjectPropertyScopeInput), muted),
               kAudioHardwareUnknownPropertyError);
}

TEST_F (AudioObjects, EveryProgramWriteIsLoggedAsRequested)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    set (tolva, address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 1), Float32 (224.0f));
    set (tolva, address (kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeWildcard), Float64 (22050));
    world().externalSetMute (tolva, kAudioObjectPropertyScopeInput, true);   // another program's: not logged

    const auto writes = world().propertyWrites();
    ASSERT_EQ (writes.size(), 2u);
    EXPECT_EQ (writes[0].object, tolva);
    EXPECT_TRUE (writes[0].address == address (kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 1));
    EXPECT_EQ (writes[0].asFloat32(), 224.0f);
    EXPECT_EQ (writes[1].asFloat64(), 22050.0);
    EXPECT_EQ (writes[1].data.size(), sizeof (Float64));

    world().clearLogs();
    EXPECT_TRUE (world().propertyWrites().empty());
}
