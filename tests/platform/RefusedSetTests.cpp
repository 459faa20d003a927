// A property that the hardware holds: every set of it fails and changes nothing, whoever asks, while
// other properties of the device and reads of it go on working.
#include "PlatformFixture.h"

#include <CoreAudio.h>

#include <atomic>

namespace
{
    OSStatus setMute (AudioObjectID object, AudioObjectPropertyScope scope, UInt32 value)
    {
        const AudioObjectPropertyAddress where { kAudioDevicePropertyMute, scope, 0 };
        return AudioObjectSetPropertyData (object, &where, 0, nullptr, sizeof (value), &value);
    }

    OSStatus setVolume (AudioObjectID object, Float32 db)
    {
        const AudioObjectPropertyAddress where { kAudioDevicePropertyVolumeDecibels, kAudioObjectPropertyScopeOutput, 1 };
        return AudioObjectSetPropertyData (object, &where, 0, nullptr, sizeof (db), &db);
    }

    OSStatus countCall (AudioObjectID, UInt32, const AudioObjectPropertyAddress*, void* calls)
    {
        ++*static_cast<std::atomic<int>*> (calls);
        return 0;
    }
}

using RefusedSet = PlatformTest;

TEST_F (RefusedSet, HeldPropertyKeepsItsValueAndAnnouncesNothing)
{
    const auto tolva = world().addAudioDevice (tolvaSpec());
    ASSERT_EQ (world().externalSetMute (tolva, kAudioObjectPropertyScopeOutput, true), 0);
    testing_support::pumpUntil ([] { return world().listenerIdle(); });
    std::atomic<int> calls { 0 };
    const AudioObjectPropertyAddress everything { kAudioObjectPropertySelectorWildcard, kAudioObjectPropertyScopeWildcard,
                                                  kAudioObjectPropertyElementWildcard };
    ASSERT_EQ (AudioObjectAddPropertyListener (tolva, &everything, countCall, &calls), 0);

    world().setFailSet (tolva, kAudioDevicePropertyMute, true);

    EXPECT_NE (setMute (tolva, kAudioObjectPropertyScopeOutput, 0), 0);
    EXPECT_NE (world().externalSetMute (tolva, kAudioObjectPropertyScopeOutput, false), 0);
    EXPECT_NE (setMute (tolva, kAudioObjectPropertyScopeInput, 1), 0);
    EXPECT_TRUE (world().mute (tolva, kAudioObjectPropertyScopeOutput));
    EXPECT_FALSE (world().mute (tolva, kAudioObjectPropertyScopeInput));
    EXPECT_EQ (world().propertyWrites().size(), 2u);   // the program's requests are still logged

    // Reads and other properties are untouched.
    UInt32 muted = 0;
    UInt32 size = sizeof (muted);
    const AudioObjectPropertyAddress where { kAudioDevicePropertyMute, kAudioObjectPropertyScopeOutput, 0 };
    EXPECT_EQ (AudioObjectGetPropertyData (tolva, &where, 0, nullptr, &size, &muted), 0);
    EXPECT_EQ (muted, 1u);
    testing_support::pumpUntil ([] { return world().listenerIdle(); });
    EXPECT_EQ (calls, 0);

    EXPECT_EQ (setVolume (tolva, -6.0f), 0);
    EXPECT_EQ (world().volumeDb (tolva, kAudioObjectPropertyScopeOutput, 1), -6.0f);
    testing_support::pumpUntil ([] { return world().listenerIdle(); });
    EXPECT_EQ (calls, 1);

    world().setFailSet (tolva, kAudioDevicePropertyMute, false);
    EXPECT_EQ (setMute (tolva, kAudioObjectPropertyScopeOutput, 0), 0);
    EXPECT_FALSE (world().mute (tolva, kAudioObjectPropertyScopeOutput));
    testing_support::pumpUntil ([] { return world().listenerIdle(); });   // before the counter goes
    EXPECT_EQ (calls, 2);
}
