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

    std::vector<UInt8> bytesOf (const HidOutputReport& report)
    {
        return { report.bytes.begin(), report.bytes.end() };
    }

    struct ReportCase
    {
        UInt8 command;
        UInt8 value;
    };

    class HidOutputReportBytes : public ::testing::TestWithParam<ReportCase> {};
}

TEST_P (HidOutputReportBytes, HoldsCommandAndValueInTheFixedFrame)
{
    const auto c = GetParam();
    const HidOutputReport report (c.command, c.value);

    ASSERT_EQ (report.bytes.size(), 27u);
    EXPECT_EQ (bytesOf (report), expectedReport (c.command, c.value));
}

INSTANTIATE_TEST_SUITE_P (EveryCommand, HidOutputReportBytes,
    ::testing::Values (ReportCase { 0x1a, 0x00 },
                       ReportCase { 0x2a, 0x01 }, ReportCase { 0x2a, 0x02 }, ReportCase { 0x2a, 0x04 }, ReportCase { 0x2a, 0x08 },
                       ReportCase { 0x2a, 0xc1 }, ReportCase { 0x2a, 0xc2 }, ReportCase { 0x2a, 0xc4 }, ReportCase { 0x2a, 0xc8 },
                       ReportCase { 0x2c, 0x05 }, ReportCase { 0x2c, 0x01 }));

TEST (HidCommandCodes, MatchTheDeviceProtocol)
{
    EXPECT_EQ (hidCmdAttach, 0x1a);
    EXPECT_EQ (hidCmdInputSelect, 0x2a);
    EXPECT_EQ (hidCmdMonitor, 0x2c);
    EXPECT_EQ (inputCodeMic | inputFlagMuteOut, 0xc1);
    EXPECT_EQ (inputCodeHIZ | inputFlagMuteOut, 0xc2);
    EXPECT_EQ (inputCodeLine | inputFlagMuteOut, 0xc4);
    EXPECT_EQ (inputCodeMicHIZ | inputFlagMuteOut, 0xc8);
    EXPECT_EQ (monitorValueOn, 0x05);
    EXPECT_EQ (monitorValueOff, 0x01);
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

TEST_F (SendHidCommand, WithoutHandleSendsNothing)
{
    registerPanel();
    sendHidCommand (hidCmdMonitor, monitorValueOn);
    EXPECT_EQ (world().hidReportAttempts(), 0);
}

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
