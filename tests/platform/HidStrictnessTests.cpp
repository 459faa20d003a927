// The simulated HID device refuses what the hardware would refuse, and the HID manager counts every use
// of a handle it has let go.
#include "PlatformFixture.h"
#include "ReportBytes.h"

#include <IOKit.h>

#include <functional>

namespace
{
    constexpr SInt32 vendor = 0x1fc9;
    using Bytes = std::vector<UInt8>;

    using testing_support::reportBytes;

    IOReturn send (IOHIDDeviceRef device, const Bytes& bytes, IOHIDReportType type = kIOHIDReportTypeOutput, CFIndex id = 0)
    {
        return IOHIDDeviceSetReport (device, type, id, bytes.data(), static_cast<CFIndex> (bytes.size()));
    }

    // Removal callbacks that use the handle while they run, as the program's may.
    struct RemovalLog
    {
        int removals = 0;
        bool propertyReadInside = false;
    };

    void onRemoval (void* context, IOReturn, void*, IOHIDDeviceRef device)
    {
        auto& log = *static_cast<RemovalLog*> (context);
        ++log.removals;
        log.propertyReadInside = IOHIDDeviceGetProperty (device, CFSTR (kIOHIDProductKey)) != nullptr;
        IOHIDDeviceClose (device, kIOHIDOptionsTypeNone);
    }

    void onArrival (void*, IOReturn, void*, IOHIDDeviceRef)
    {}

    // A manager for every device, scheduled and opened as the program does it.
    void makeManager (RemovalLog& log)
    {
        auto manager = IOHIDManagerCreate (kCFAllocatorDefault, kIOHIDOptionsTypeNone);
        IOHIDManagerRegisterDeviceMatchingCallback (manager, onArrival, &log);
        IOHIDManagerRegisterDeviceRemovalCallback (manager, onRemoval, &log);
        IOHIDManagerScheduleWithRunLoop (manager, CFRunLoopGetMain(), kCFRunLoopDefaultMode);
        IOHIDManagerOpen (manager, kIOHIDOptionsTypeNone);
    }
}

// Malformed reports -------------------------------------------------------------------------------------

// One report that differs from a well-formed one in one respect.
struct MalformedCase
{
    const char* name;
    IOHIDReportType type;
    CFIndex reportId;
    Bytes bytes;
};

std::ostream& operator<< (std::ostream& os, const MalformedCase& c)
{
    return os << c.name;
}

namespace
{
    MalformedCase changed (const char* name, UInt8 command, UInt8 value, const std::function<void (Bytes&)>& change)
    {
        auto bytes = reportBytes (command, value);
        change (bytes);
        return { name, kIOHIDReportTypeOutput, 0, bytes };
    }

    MalformedCase withByte (const char* name, size_t index, UInt8 value)
    {
        return changed (name, 0x2a, 0xc1, [=] (Bytes& b) { b[index] = value; });
    }

    std::vector<MalformedCase> malformedCases()
    {
        return {
            { "featureReport", kIOHIDReportTypeFeature, 0, reportBytes (0x2a, 0xc1) },
            { "inputReport", kIOHIDReportTypeInput, 0, reportBytes (0x2a, 0xc1) },
            { "reportId1", kIOHIDReportTypeOutput, 1, reportBytes (0x2a, 0xc1) },
            changed ("length26", 0x2a, 0xc1,
                     [] (Bytes& b) {
            b.pop_back();
            }),
            changed ("length28", 0x2a, 0xc1,
                     [] (Bytes& b) {
            b.push_back (0x00);
            }),
            changed ("empty", 0x2a, 0xc1, [] (Bytes& b) { b.clear(); }), withByte ("byte0", 0, 0x21),
            withByte ("byte1", 1, 0x43), withByte ("byte3", 3, 0x01), withByte ("byte4", 4, 0x00),
            withByte ("byte6", 6, 0x01), withByte ("byte20", 20, 0x80), withByte ("byte21Zero", 21, 0x00),
            withByte ("byte21Other", 21, 0x08), withByte ("byte22", 22, 0x80), withByte ("byte26", 26, 0x01),
            withByte ("unknownCommand", 2, 0x2b), withByte ("inputCodeUnknown", 5, 0x03),
            withByte ("inputCodeNone", 5, 0x00), withByte ("inputCodeHalfFlag", 5, 0x41),
            withByte ("inputCodeFlagOnly", 5, 0xc0), changed ("monitorValue", 0x2c, 0x02, [] (Bytes&) {}),
            changed ("monitorValueWithFlag", 0x2c, 0xc5, [] (Bytes&) {}), changed ("attachValue", 0x1a, 0x01, [] (Bytes&) {}),
            };
    }
}

class MalformedReport : public PlatformTest,
                        public ::testing::WithParamInterface<MalformedCase>
{};

TEST_P (MalformedReport, IsRefusedCountedAndChangesNothing)
{
    const auto audio = world().addAudioDevice (tolvaSpec());
    auto spec = hidSpec (vendor);
    spec.linkedAudioObject = audio;
    auto device = world().plugHid (spec);
    RemovalLog log;
    makeManager (log);

    const auto& c = GetParam();
    EXPECT_EQ (IOHIDDeviceSetReport (device, c.type, c.reportId, c.bytes.data(), static_cast<CFIndex> (c.bytes.size())),
               kIOReturnUnsupported);

    EXPECT_TRUE (world().hidReports (device).empty());
    EXPECT_EQ (world().dataSource (audio), sim::dataSourceLine);
    EXPECT_FALSE (world().playThru (audio));
    EXPECT_EQ (world().hidReportAttempts(), 1);
    EXPECT_EQ (world().hidReportsRefused(), 1);
    EXPECT_EQ (world().hidFaults().malformedReports, 1);

    // The device is still there for the report it knows.
    EXPECT_EQ (send (device, reportBytes (0x2a, 0xc1)), kIOReturnSuccess);
    EXPECT_EQ (world().dataSource (audio), sim::dataSourceMic);
}

INSTANTIATE_TEST_SUITE_P (EachWay, MalformedReport, ::testing::ValuesIn (malformedCases()),
                          [] (const auto& info) { return std::string (info.param.name); });

using HidStrictness = PlatformTest;

TEST_F (HidStrictness, EveryCommandWithEveryValueItKnowsIsAccepted)
{
    auto device = world().plugHid (hidSpec (vendor));
    RemovalLog log;
    makeManager (log);

    std::vector<Bytes> known { reportBytes (0x1a, 0x00), reportBytes (0x2c, 0x01), reportBytes (0x2c, 0x05) };
    for (UInt8 code : { 0x01, 0x02, 0x04, 0x08 })
    {
        known.push_back (reportBytes (0x2a, code));
        known.push_back (reportBytes (0x2a, UInt8 (code | 0xc0)));
    }

    for (const auto& report : known)
        EXPECT_EQ (send (device, report), kIOReturnSuccess) << int (report[2]) << " " << int (report[5]);

    EXPECT_EQ (world().hidReports (device).size(), known.size());
    EXPECT_EQ (world().hidReportsRefused(), 0);
    EXPECT_EQ (world().hidFaults().malformedReports, 0);
}

TEST_F (HidStrictness, ReportsToAClosedDeviceAreFaultsButNotToAnUnpluggedOneBeforeItsRemoval)
{
    auto closed = world().plugHid (hidSpec (vendor));
    auto unplugged = world().plugHid (hidSpec (vendor, 0x0141));
    RemovalLog log;
    makeManager (log);
    IOHIDDeviceClose (closed, kIOHIDOptionsTypeNone);
    world().unplugHid (unplugged);

    EXPECT_EQ (send (closed, reportBytes (0x1a, 0x00)), kIOReturnNotOpen);
    // The program can't know yet: its removal callback has not run.
    EXPECT_EQ (send (unplugged, reportBytes (0x1a, 0x00)), kIOReturnNoDevice);

    const auto faults = world().hidFaults();
    EXPECT_EQ (faults.reportsToClosedDevices, 1);
    EXPECT_EQ (faults.callsAfterRemoval, 0);
    EXPECT_EQ (faults.malformedReports, 0);
}

// Handles after removal --------------------------------------------------------------------------------

TEST_F (HidStrictness, EveryCallOnAHandleAfterItsRemovalCallbackIsCounted)
{
    auto device = world().plugHid (hidSpec (vendor));
    RemovalLog log;
    makeManager (log);
    testing_support::pumpFor (10);

    world().unplugHid (device);
    EXPECT_NE (IOHIDDeviceGetProperty (device, CFSTR (kIOHIDVendorIDKey)), nullptr);   // not yet told
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return log.removals == 1; }));
    EXPECT_TRUE (log.propertyReadInside);
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 0);

    EXPECT_EQ (IOHIDDeviceGetProperty (device, CFSTR (kIOHIDVendorIDKey)), nullptr);
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 1);
    EXPECT_NE (send (device, reportBytes (0x1a, 0x00)), kIOReturnSuccess);
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 2);
    EXPECT_NE (IOHIDDeviceClose (device, kIOHIDOptionsTypeNone), kIOReturnSuccess);
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 3);

    // Only a reset forgets them.
    world().clearLogs();
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 3);
    world().reset();
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 0);
}

TEST_F (HidStrictness, AHandleTwoManagersReportedIsLetGoAfterBothRemovalCallbacks)
{
    auto device = world().plugHid (hidSpec (vendor));
    RemovalLog first, second;
    makeManager (first);
    makeManager (second);
    testing_support::pumpFor (10);

    world().unplugHid (device);
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return first.removals == 1 && second.removals == 1; }));

    EXPECT_TRUE (first.propertyReadInside);
    EXPECT_TRUE (second.propertyReadInside);
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 0);
    EXPECT_EQ (IOHIDDeviceGetProperty (device, CFSTR (kIOHIDProductKey)), nullptr);
    EXPECT_EQ (world().hidFaults().callsAfterRemoval, 1);
}
