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
        input = world().addAudioDevice (inputOnly());
        output = world().addAudioDevice (outputOnly());
        setAudioIds (input, output);
    }

    struct Result
    {
        bool ok;
        std::uint32_t elapsed;   // platform milliseconds
    };

    static Result setRate (double rate)
    {
        const auto start = PlatformClock::getMillisecondCounter();
        const bool ok = hw_setSampleRate (rate);
        return { ok, PlatformClock::getMillisecondCounter() - start };
    }

    template <typename Value>
    static std::vector<UInt8> bytesOf (const Value& value)
    {
        std::vector<UInt8> bytes (sizeof (value));
        std::memcpy (bytes.data(), &value, sizeof (value));
        return bytes;
    }

    // Exactly two writes of the property to every scope, first to the input and then to the output.
    void expectWrittenToInputThenOutput (AudioObjectPropertySelector selector, const std::vector<UInt8>& data) const
    {
        const auto writes = world().propertyWrites();
        ASSERT_EQ (writes.size(), 2u);
        EXPECT_EQ (writes[0].object, input);
        EXPECT_EQ (writes[1].object, output);
        for (const auto& w : writes)
        {
            EXPECT_EQ (w.address.mSelector, selector);
            EXPECT_EQ (w.address.mScope, kAudioObjectPropertyScopeWildcard);
            EXPECT_EQ (w.address.mElement, 0u);
            EXPECT_EQ (w.data, data);
        }
    }

    AudioObjectID input = 0, output = 0;
};

TEST_F (SampleRate, WritesTheNominalRateToInputThenOutput)
{
    useSeparateObjects();
    EXPECT_TRUE (setRate (44100.0).ok);

    expectWrittenToInputThenOutput (kAudioDevicePropertyNominalSampleRate, bytesOf (Float64 (44100.0)));
    EXPECT_EQ (world().nominalRate (input), 44100.0);
    EXPECT_EQ (world().nominalRate (output), 44100.0);
}

TEST_F (SampleRate, ThirtyTwoKilohertzWritesThePhysicalFormatOnly)
{
    useSeparateObjects();
    setRate (32000.0);

    const AudioStreamBasicDescription expected { 32000.0, fourCharCode ("lpcm"), 12, 4, 1, 4, 2, 16, 0 };
    static_assert (sizeof (expected) == 40);
    expectWrittenToInputThenOutput (kAudioStreamPropertyPhysicalFormat, bytesOf (expected));
}

TEST_F (SampleRate, CombinedObjectSetsBothSides)
{
    const auto device = world().addAudioDevice (audioDevice());
    setAudioIds (device, device);

    EXPECT_TRUE (setRate (48000.0).ok);
    EXPECT_EQ (world().propertyWrites().size(), 2u);
    EXPECT_EQ (world().nominalRate (device), 48000.0);
}

// How long the check that both sides agree takes, in platform milliseconds, and what it returns.
struct RateTiming
{
    const char* name;
    double clockSpeed;
    bool devices;
    int inputSettleMs, outputSettleMs;
    double rate;
    bool ok;
    std::uint32_t atLeast, below;
};

void PrintTo (const RateTiming& t, std::ostream* os)
{
    *os << t.name;
}

class SampleRateTiming : public SampleRate,
                         public ::testing::WithParamInterface<RateTiming>
{};

TEST_P (SampleRateTiming, WaitsOnceAtMostWhenTheSidesDisagree)
{
    const auto& t = GetParam();
    useClockSpeed (t.clockSpeed);
    if (t.devices)
    {
        useSeparateObjects();
        world().setRateSettleDelay (input, t.inputSettleMs);
        world().setRateSettleDelay (output, t.outputSettleMs);
    }

    const auto result = setRate (t.rate);

    EXPECT_EQ (result.ok, t.ok);
    EXPECT_GE (result.elapsed, t.atLeast);
    EXPECT_LT (result.elapsed, t.below);
    if (t.ok)
    {
        EXPECT_EQ (world().nominalRate (input), t.rate);
    }
}

// 300 ms is the one wait; "below 250" is well short of it, "below 4000" did not wait for the output.
INSTANTIATE_TEST_SUITE_P (
    Cases, SampleRateTiming,
    ::testing::Values (RateTiming { "AgreementReturnsAtOnce", 1.0, true, 0, 0, 96000.0, true, 0, 250 },
                       RateTiming { "DisagreementWaitsOnceThenChecksAgain", 10.0, true, 100, 0, 44100.0, true, 300, 1500 },
                       RateTiming { "StillDisagreeingAfterTheWaitFails", 10.0, true, 0, 5000, 96000.0, false, 300, 4000 },
                       RateTiming { "NoDeviceFailsAtOnce", 1.0, false, 0, 0, 48000.0, false, 0, 250 }),
    [] (const auto& info) { return std::string (info.param.name); });
