// The bytes of the output report and where sendHidCommand delivers them.
#include "DeviceTestSupport.h"

using namespace device_tests;

namespace
{
    std::vector<UInt8> expectedReport (UInt8 command, UInt8 value)
    {
        std::vector<UInt8> bytes { 0x12, 0x34, command, 0x00, 0x01, value };
        bytes.insert (bytes.end(), 15, 0x00);
        bytes.push_back (0x80);
        bytes.insert (bytes.end(), 5, 0x00);
        return bytes;
    }
}

// Each command the panel sends, by its names, against the bytes the device expects.
TEST (HidOutputReport, HoldsCommandAndValueInTheFixedFrame)
{
    struct Case
    {
        UInt8 command, value, wireCommand, wireValue;
    };
    const Case cases[] = {
        { hidCmdAttach, 0x00, 0x1a, 0x00 },
        { hidCmdInputSelect, inputCodeMic, 0x2a, 0x01 },
        { hidCmdInputSelect, inputCodeHIZ, 0x2a, 0x02 },
        { hidCmdInputSelect, inputCodeLine, 0x2a, 0x04 },
        { hidCmdInputSelect, inputCodeMicHIZ, 0x2a, 0x08 },
        { hidCmdInputSelect, inputCodeMic | inputFlagMuteOut, 0x2a, 0xc1 },
        { hidCmdInputSelect, inputCodeHIZ | inputFlagMuteOut, 0x2a, 0xc2 },
        { hidCmdInputSelect, inputCodeLine | inputFlagMuteOut, 0x2a, 0xc4 },
        { hidCmdInputSelect, inputCodeMicHIZ | inputFlagMuteOut, 0x2a, 0xc8 },
        { hidCmdMonitor, monitorValueOn, 0x2c, 0x05 },
        { hidCmdMonitor, monitorValueOff, 0x2c, 0x01 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String::toHexString (c.wireCommand) + " " + juce::String::toHexString (c.wireValue));
        const HidOutputReport report (c.command, c.value);
        ASSERT_EQ (report.bytes.size(), 27u);
        EXPECT_EQ (std::vector<UInt8> (report.bytes.begin(), report.bytes.end()), expectedReport (c.wireCommand, c.wireValue));
    }
}

class SendHidCommand : public DeviceTest
{
protected:
    // Plugs the interface and waits until its arrival has been handled.
    IOHIDDeviceRef attachInterface()
    {
        world().addAudioDevice (audioDevice());
        registerPanel();
        auto device = world().plugHid (tolvaHid());
        EXPECT_TRUE (waitForEvents (1));
        EXPECT_EQ (ghidInterface.load(), device);
        return device;
    }
};

TEST_F (SendHidCommand, DeliversOneOutputReportWithIdZero)
{
    auto device = attachInterface();

    sendHidCommand (hidCmdInputSelect, inputCodeMic | inputFlagMuteOut);
    sendHidCommand (hidCmdMonitor, monitorValueOff);

    const auto reports = world().hidReports (device);
    ASSERT_EQ (reports.size(), 2u);
    for (const auto& r : reports)
    {
        EXPECT_EQ (r.type, kIOHIDReportTypeOutput);
        EXPECT_EQ (r.reportId, 0);
    }
    EXPECT_EQ (reports[0].bytes, expectedReport (0x2a, 0xc1));
    EXPECT_EQ (reports[1].bytes, expectedReport (0x2c, 0x01));
}

TEST_F (SendHidCommand, NothingGoesToAnUnpluggedDevice)
{
    auto device = attachInterface();
    sendHidCommand (hidCmdAttach, 0x00);
    ASSERT_EQ (world().hidReports (device).size(), 1u);

    // The recording panel never clears the handle itself: the removal callback must.
    world().unplugHid (device);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ghidInterface.load() == nullptr; }));

    const auto attemptsBefore = world().hidReportAttempts();
    sendHidCommand (hidCmdMonitor, monitorValueOn);
    EXPECT_EQ (world().hidReportAttempts(), attemptsBefore);
    EXPECT_EQ (world().hidReports (device).size(), 1u);
}
