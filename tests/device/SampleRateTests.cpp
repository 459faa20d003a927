// Setting the sample rate on both objects and checking that they agree.
#include "DeviceTestSupport.h"

#include <cstring>

using namespace device_tests;

class SampleRate : public DeviceTest
{
protected:
    // Separate input and output objects without the listener, so only hw_setSampleRate writes.
    void useSeparateObjects()
    {
        input = world().addAudioDevice (audioDevice ("Tolva", "TARVIK, Inc.", true, false));
        output = world().addAudioDevice (audioDevice ("Tolva", "TARVIK, Inc.", false, true));
        gInAudioObjectID = input;
        gOutAudioObjectID = output;
    }

    // Calls hw_setSampleRate and measures the platform time it took.
    bool setRate (double rate, std::uint32_t& elapsed)
    {
        const auto start = PlatformClock::getMillisecondCounter();
        const auto result = hw_setSampleRate (rate);
        elapsed = PlatformClock::getMillisecondCounter() - start;
        return result;
    }

    AudioObjectID input = 0, output = 0;
};

TEST_F (SampleRate, WritesTheNominalRateToInputThenOutput)
{
    useSeparateObjects();
    std::uint32_t elapsed = 0;
    EXPECT_TRUE (setRate (44100.0, elapsed));

    const auto writes = world().propertyWrites();
    ASSERT_EQ (writes.size(), 2u);
    EXPECT_EQ (writes[0].object, input);
    EXPECT_EQ (writes[1].object, output);
    for (const auto& w : writes)
    {
        EXPECT_EQ (w.address.mSelector, kAudioDevicePropertyNominalSampleRate);
        EXPECT_EQ (w.address.mScope, kAudioObjectPropertyScopeWildcard);
        EXPECT_EQ (w.address.mElement, 0u);
        EXPECT_EQ (w.data.size(), 8u);
        EXPECT_EQ (w.asFloat64(), 44100.0);
    }
    EXPECT_EQ (world().nominalRate (input), 44100.0);
    EXPECT_EQ (world().nominalRate (output), 44100.0);
}

TEST_F (SampleRate, ThirtyTwoKilohertzWritesThePhysicalFormatOnly)
{
    useSeparateObjects();
    std::uint32_t elapsed = 0;
    setRate (32000.0, elapsed);

    const AudioStreamBasicDescription expected { 32000.0, fourCharCode ("lpcm"), 12, 4, 1, 4, 2, 16, 0 };
    std::vector<UInt8> expectedBytes (sizeof (expected));
    std::memcpy (expectedBytes.data(), &expected, sizeof (expected));

    const auto writes = world().propertyWrites();
    ASSERT_EQ (writes.size(), 2u);
    EXPECT_EQ (writes[0].object, input);
    EXPECT_EQ (writes[1].object, output);
    for (const auto& w : writes)
    {
        EXPECT_EQ (w.address.mSelector, kAudioStreamPropertyPhysicalFormat);
        EXPECT_EQ (w.address.mScope, kAudioObjectPropertyScopeWildcard);
        EXPECT_EQ (w.address.mElement, 0u);
        EXPECT_EQ (w.data.size(), 40u);
        EXPECT_EQ (w.data, expectedBytes);
    }
}

TEST_F (SampleRate, AgreementReturnsAtOnce)
{
    clockSpeed = 1.0;
    PlatformClock::setSpeed (clockSpeed);
    useSeparateObjects();

    std::uint32_t elapsed = 0;
    EXPECT_TRUE (setRate (96000.0, elapsed));
    EXPECT_LT (elapsed, 250u);   // well short of the 300 ms wait
}

TEST_F (SampleRate, DisagreementWaitsOnceThenChecksAgain)
{
    clockSpeed = 10.0;
    PlatformClock::setSpeed (clockSpeed);
    useSeparateObjects();
    world().setRateSettleDelay (input, 100);

    std::uint32_t elapsed = 0;
    EXPECT_TRUE (setRate (44100.0, elapsed));
    EXPECT_GE (elapsed, 300u);
    EXPECT_LT (elapsed, 1500u);
    EXPECT_EQ (world().nominalRate (input), 44100.0);
}

TEST_F (SampleRate, StillDisagreeingAfterTheWaitFailsWithoutWaitingMore)
{
    clockSpeed = 10.0;
    PlatformClock::setSpeed (clockSpeed);
    useSeparateObjects();
    world().setRateSettleDelay (output, 5000);

    std::uint32_t elapsed = 0;
    EXPECT_FALSE (setRate (96000.0, elapsed));
    EXPECT_GE (elapsed, 300u);
    EXPECT_LT (elapsed, 4000u);   // it did not wait for the output to settle
}

TEST_F (SampleRate, CombinedObjectSetsBothSides)
{
    const auto device = world().addAudioDevice (audioDevice());
    gInAudioObjectID = device;
    gOutAudioObjectID = device;

    std::uint32_t elapsed = 0;
    EXPECT_TRUE (setRate (48000.0, elapsed));
    EXPECT_EQ (world().propertyWrites().size(), 2u);
    EXPECT_EQ (world().nominalRate (device), 48000.0);
}

TEST_F (SampleRate, NoDeviceFailsAtOnce)
{
    clockSpeed = 1.0;
    PlatformClock::setSpeed (clockSpeed);

    std::uint32_t elapsed = 0;
    EXPECT_FALSE (setRate (48000.0, elapsed));
    EXPECT_LT (elapsed, 250u);   // well short of the 300 ms wait
}
