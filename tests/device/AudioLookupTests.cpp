// Finding the interface's Core Audio objects, and the retried lookup that follows a HID arrival.
#include "DeviceTestSupport.h"

#include <thread>

using namespace device_tests;

// Name and manufacturer ----------------------------------------------------------------------------------

namespace
{
    struct NameCase
    {
        const char* name;
        const char* manufacturer;
        bool accepted;
    };

    void PrintTo (const NameCase& c, std::ostream* os)
    {
        *os << '"' << c.name << "\" by \"" << c.manufacturer << '"';
    }
}

class AudioDeviceNames : public DeviceTest,
                         public ::testing::WithParamInterface<NameCase>
{};

TEST_P (AudioDeviceNames, DecideWhetherTheDeviceIsTaken)
{
    const auto c = GetParam();
    fillContextOnly();
    const auto other = world().addAudioDevice (audioDevice ("Built-in Output", "Apple Inc."));
    const auto candidate = world().addAudioDevice (audioDevice (c.name, c.manufacturer));

    lookUpAudioDevices();

    const AudioObjectID expected = c.accepted ? candidate : 0;
    EXPECT_EQ (audioIds(), AudioIds (expected, expected));
    EXPECT_EQ (world().listenerCount (candidate) > 0, c.accepted);
    EXPECT_EQ (world().listenerCount (other), 0);
}

INSTANTIATE_TEST_SUITE_P (
    Cases, AudioDeviceNames,
    ::testing::Values (NameCase { "Tolva", "TARVIK, Inc.", true }, NameCase { "TOLVA", "tarvik, inc.", true },
                       NameCase { "tolvA", "TARVIK, INC.", true }, NameCase { "Tol", "TARVIK, Inc.", true },
                       NameCase { "T", "TARVIK, Inc.", true }, NameCase { "", "TARVIK, Inc.", true },
                       NameCase { "tol", "TARVIK, Inc.", false }, NameCase { "Tolva USB", "TARVIK, Inc.", false },
                       NameCase { "Tolvax", "TARVIK, Inc.", false }, NameCase { "Brisvo", "TARVIK, Inc.", false },
                       NameCase { "Tolva", "TARVIK", false }, NameCase { "Tolva", "TARVIK, Inc. GmbH", false },
                       NameCase { "Tolva", "", false }));

// Directions and listeners -------------------------------------------------------------------------------

using AudioLookup = DeviceTest;

TEST_F (AudioLookup, LaterMatchingDeviceWinsBothDirectionsAndBothCarryTheListener)
{
    fillContextOnly();
    const auto first = world().addAudioDevice (audioDevice());
    const auto second = world().addAudioDevice (audioDevice ("TOLVA"));

    lookUpAudioDevices();

    EXPECT_EQ (audioIds(), AudioIds (second, second));
    EXPECT_GT (world().listenerCount (first), 0);
    EXPECT_GT (world().listenerCount (second), 0);
}

TEST_F (AudioLookup, InputOnlyDeviceLeavesOutputAsItWas)
{
    fillContextOnly();
    const auto input = world().addAudioDevice (inputOnly());
    gOutAudioObjectID = 77;

    lookUpAudioDevices();

    EXPECT_EQ (audioIds(), AudioIds (input, 77));
}

TEST_F (AudioLookup, SeparateInputAndOutputObjects)
{
    fillContextOnly();
    const auto output = world().addAudioDevice (outputOnly());
    const auto input = world().addAudioDevice (inputOnly());

    lookUpAudioDevices();

    EXPECT_EQ (audioIds(), AudioIds (input, output));
    EXPECT_EQ (world().listenerCount (input), 1);
    EXPECT_EQ (world().listenerCount (output), 1);
}

// Whether the platform refuses a second installation of the same listener.
class DuplicateListener : public DeviceTest,
                          public ::testing::WithParamInterface<bool>
{};

TEST_P (DuplicateListener, CombinedObjectIsTakenBothWaysAndFoundAgainOnlyWhenAccepted)
{
    const bool refused = GetParam();
    fillContextOnly();
    world().setRefuseDuplicateListener (refused);
    const auto device = world().addAudioDevice (audioDevice());

    lookUpAudioDevices();
    EXPECT_EQ (audioIds(), AudioIds (device, device));
    EXPECT_EQ (world().listenerCount (device), 1);

    // Back under the same identifier after a removal, still carrying the listener.
    setAudioIds (0, 0);
    lookUpAudioDevices();
    EXPECT_EQ (audioIds(), refused ? AudioIds (0, 0) : AudioIds (device, device));
}

INSTANTIATE_TEST_SUITE_P (RefusedOrNot, DuplicateListener, ::testing::Bool());

TEST_F (AudioLookup, UnreadableDeviceListChangesNothing)
{
    fillContextOnly();
    world().addAudioDevice (audioDevice());
    world().setDeviceListFails (true);
    setAudioIds (5, 6);

    lookUpAudioDevices();

    EXPECT_EQ (audioIds(), AudioIds (5, 6));
}

class AudioLookupFailedRead : public DeviceTest,
                              public ::testing::WithParamInterface<AudioObjectPropertySelector>
{};

TEST_P (AudioLookupFailedRead, SkipsTheDevice)
{
    fillContextOnly();
    const auto device = world().addAudioDevice (audioDevice());
    world().setFailGet (device, GetParam(), true);

    lookUpAudioDevices();

    EXPECT_EQ (audioIds(), AudioIds (0, 0));
    EXPECT_EQ (world().listenerCount (device), 0);
}

INSTANTIATE_TEST_SUITE_P (Selectors, AudioLookupFailedRead,
                          ::testing::Values (kAudioDevicePropertyDeviceUID, kAudioObjectPropertyName,
                                             kAudioObjectPropertyManufacturer, kAudioDevicePropertyStreamConfiguration));

// The retried lookup -------------------------------------------------------------------------------------

using RetriedLookup = DeviceTest;

TEST_F (RetriedLookup, FoundAtOnceRaisesArrivalWithoutWaiting)
{
    useClockSpeed (1.0);
    fillContextOnly();
    world().addAudioDevice (audioDevice());

    const auto start = PlatformClock::getMillisecondCounter();
    plugCallback (&mydeviceStruct, 0);
    const auto elapsed = PlatformClock::getMillisecondCounter() - start;

    EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventArrived });
    EXPECT_TRUE (recorder().events()[0].onMessageThread);
    EXPECT_LT (elapsed, 900u);   // no one-second pause
}

TEST_F (RetriedLookup, IdentifiersFromAnEarlierLookupCountAsFound)
{
    fillContextOnly();
    setAudioIds (3, 4);

    plugCallback (&mydeviceStruct, 0);

    EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventArrived });
}

TEST_F (RetriedLookup, FoundAtTheThirdAttemptAboutTwoSecondsLater)
{
    // Slow enough that the device surely appears between the second and the third attempt.
    useClockSpeed (5.0);
    fillContextOnly();

    const auto start = PlatformClock::getMillisecondCounter();
    std::thread appear (
        [start]
        {
        while (PlatformClock::getMillisecondCounter() - start < 1500)
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        world().addAudioDevice (audioDevice());
    });

    plugCallback (&mydeviceStruct, 0);
    appear.join();

    const auto events = recorder().events();
    ASSERT_EQ (events.size(), 1u);
    EXPECT_EQ (events[0].event, deviceEventArrived);
    const auto delay = events[0].platformTime - start;
    EXPECT_GE (delay, 1990u);
    EXPECT_LT (delay, 2900u);
}

TEST_F (RetriedLookup, GivesUpAfterFiveAttemptsInAboutFiveSeconds)
{
    useClockSpeed (20.0);
    fillContextOnly();
    world().addAudioDevice (inputOnly());   // never complete
    auto device = world().plugHid (tolvaHid());

    const auto start = PlatformClock::getMillisecondCounter();
    Handle_DeviceMatchingCallback (&mydeviceStruct, kIOReturnSuccess, nullptr, device);
    const auto elapsed = PlatformClock::getMillisecondCounter() - start;

    EXPECT_EQ (recorder().count(), 0u);
    EXPECT_EQ (ghidInterface.load(), device);
    EXPECT_NE (gInAudioObjectID.load(), 0u);
    EXPECT_EQ (gOutAudioObjectID.load(), 0u);
    EXPECT_GE (elapsed, 4990u);
    EXPECT_LT (elapsed, 8000u);
}
