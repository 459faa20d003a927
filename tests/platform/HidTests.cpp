#include "PlatformFixture.h"
#include "ReportBytes.h"

#include <IOKit.h>

namespace
{
    constexpr SInt32 vendor = 0x1fc9;

    // What a manager's callbacks observed, in order.
    struct Observed
    {
        std::vector<IOHIDDeviceRef> arrivals, removals;
        bool allOnMessageThread = true;
    };

    // Records the device in the given list of what the manager's callbacks observed.
    template <std::vector<IOHIDDeviceRef> Observed::*list>
    void record (void* context, IOReturn, void*, IOHIDDeviceRef device)
    {
        auto& observed = *static_cast<Observed*> (context);
        (observed.*list).push_back (device);
        observed.allOnMessageThread &= juce::MessageManager::getInstance()->isThisTheMessageThread();
    }

    void addCriterion (CFMutableArrayRef criteria, SInt32 vendorId, SInt32 productId)
    {
        auto dictionary = CFDictionaryCreateMutable (kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                     &kCFTypeDictionaryValueCallBacks);
        auto v = CFNumberCreate (kCFAllocatorDefault, kCFNumberIntType, &vendorId);
        auto p = CFNumberCreate (kCFAllocatorDefault, kCFNumberIntType, &productId);
        CFDictionarySetValue (dictionary, CFSTR (kIOHIDVendorIDKey), v);
        CFDictionarySetValue (dictionary, CFSTR (kIOHIDProductIDKey), p);
        CFArrayAppendValue (criteria, dictionary);
        for (auto object : { v, p, static_cast<CFTypeRef> (dictionary) })
            CFRelease (object);
    }

    // A manager for our two product IDs, set up as the program does; opened unless told otherwise.
    IOHIDManagerRef makeManager (Observed& observed, bool schedule = true, bool open = true)
    {
        auto manager = IOHIDManagerCreate (kCFAllocatorDefault, kIOHIDOptionsTypeNone);
        auto criteria = CFArrayCreateMutable (kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
        addCriterion (criteria, vendor, 0x0142);
        addCriterion (criteria, vendor, 0x0141);
        IOHIDManagerSetDeviceMatchingMultiple (manager, criteria);
        CFRelease (criteria);

        IOHIDManagerRegisterDeviceMatchingCallback (manager, record<&Observed::arrivals>, &observed);
        IOHIDManagerRegisterDeviceRemovalCallback (manager, record<&Observed::removals>, &observed);
        if (schedule)
            IOHIDManagerScheduleWithRunLoop (manager, CFRunLoopGetMain(), kCFRunLoopDefaultMode);
        if (open)
            IOHIDManagerOpen (manager, kIOHIDOptionsTypeNone);
        return manager;
    }

    using testing_support::reportBytes;

    IOReturn send (IOHIDDeviceRef device, const std::vector<UInt8>& bytes)
    {
        return IOHIDDeviceSetReport (device, kIOHIDReportTypeOutput, 0, bytes.data(), static_cast<CFIndex> (bytes.size()));
    }
}

using HidManager = PlatformTest;

TEST_F (HidManager, ReportsMatchingDevicesPresentAtOpenInPlugOrderThenLaterArrivals)
{
    auto first = world().plugHid (hidSpec (vendor, 0x0141));
    world().plugHid (hidSpec (0x05ac));           // another vendor
    world().plugHid (hidSpec (vendor, 0x0143));   // another product
    world().plugHid (hidSpec (std::nullopt));     // no vendor ID
    auto second = world().plugHid (hidSpec (vendor, 0x0142, nullptr));

    Observed observed;
    makeManager (observed);
    EXPECT_TRUE (observed.arrivals.empty());   // never from inside the registering call

    ASSERT_TRUE (testing_support::pumpUntil ([&] { return observed.arrivals.size() == 2; }));
    EXPECT_EQ (observed.arrivals, (std::vector<IOHIDDeviceRef> { first, second }));

    auto later = world().plugHid (hidSpec (vendor));
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return observed.arrivals.size() == 3; }));
    EXPECT_EQ (observed.arrivals.back(), later);
    EXPECT_TRUE (observed.allOnMessageThread);
    EXPECT_EQ (world().lastManagerCriteria(), juce::StringArray ("VendorID=8137;ProductID=322", "VendorID=8137;ProductID=321"));
}

TEST_F (HidManager, OnlyScheduledAndOpenedManagersDeliver)
{
    world().plugHid (hidSpec (vendor));
    Observed unscheduled, unopened, both;
    makeManager (unscheduled, false, true);
    makeManager (unopened, true, false);
    makeManager (both);

    ASSERT_TRUE (testing_support::pumpUntil ([&] { return both.arrivals.size() == 1; }));
    world().plugHid (hidSpec (vendor, 0x0141));
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return both.arrivals.size() == 2; }));
    testing_support::pumpFor (20);

    EXPECT_TRUE (unscheduled.arrivals.empty());
    EXPECT_TRUE (unopened.arrivals.empty());
    EXPECT_EQ (world().hidManagerCount(), 3);
}

TEST_F (HidManager, RemovalIsReportedOnlyForReportedDevicesAndAfterTheirArrival)
{
    auto ours = world().plugHid (hidSpec (vendor));
    auto foreign = world().plugHid (hidSpec (vendor, 0x0999, "Other"));
    Observed observed;
    makeManager (observed);

    world().unplugHid (ours);   // before the arrival has been delivered
    world().unplugHid (foreign);
    ASSERT_TRUE (testing_support::pumpUntil ([&] { return observed.removals.size() == 1; }));
    testing_support::pumpFor (20);

    EXPECT_EQ (observed.arrivals, (std::vector<IOHIDDeviceRef> { ours }));
    EXPECT_EQ (observed.removals, (std::vector<IOHIDDeviceRef> { ours }));
    EXPECT_FALSE (world().isHidAttached (ours));
    EXPECT_TRUE (observed.allOnMessageThread);
}

TEST_F (HidManager, DevicePropertiesAreNumbersAndAStringOrNull)
{
    auto device = world().plugHid (hidSpec (vendor, 0x0141));
    auto bare = world().plugHid (hidSpec (std::nullopt, std::nullopt, nullptr));

    SInt32 vendorId = 0, productId = 0;
    EXPECT_TRUE (CFNumberGetValue (IOHIDDeviceGetProperty (device, CFSTR (kIOHIDVendorIDKey)), kCFNumberSInt32Type, &vendorId));
    EXPECT_TRUE (CFNumberGetValue (IOHIDDeviceGetProperty (device, CFSTR (kIOHIDProductIDKey)), kCFNumberSInt32Type, &productId));
    EXPECT_EQ (vendorId, vendor);
    EXPECT_EQ (productId, 0x0141);
    EXPECT_EQ (juceStringFromCFString (IOHIDDeviceGetProperty (device, CFSTR (kIOHIDProductKey))), "Tolva");

    for (auto key : { kIOHIDVendorIDKey, kIOHIDProductIDKey, kIOHIDProductKey })
        EXPECT_EQ (IOHIDDeviceGetProperty (bare, CFSTR (key)), nullptr) << key;
}

using HidReports = PlatformTest;

TEST_F (HidReports, AnOpenDeviceReceivesEachReportByteForByte)
{
    auto device = world().plugHid (hidSpec (vendor));
    Observed observed;
    makeManager (observed);
    ASSERT_TRUE (world().isHidOpen (device));

    const auto attach = reportBytes (0x1a, 0x00);
    const auto monitor = reportBytes (0x2c, 0x05);
    EXPECT_EQ (send (device, attach), kIOReturnSuccess);
    EXPECT_EQ (send (device, monitor), kIOReturnSuccess);

    const auto reports = world().hidReports (device);
    ASSERT_EQ (reports.size(), 2u);
    EXPECT_EQ (reports[0].type, kIOHIDReportTypeOutput);
    EXPECT_EQ (reports[0].reportId, 0);
    EXPECT_EQ (reports[0].bytes, attach);
    EXPECT_EQ (reports[1].type, kIOHIDReportTypeOutput);
    EXPECT_EQ (reports[1].reportId, 0);
    EXPECT_EQ (reports[1].bytes, monitor);
    EXPECT_EQ (world().hidReportsRefused(), 0);
}

TEST_F (HidReports, ClosedUnpluggedOrUnopenedDevicesRefuseReports)
{
    auto unopened = world().plugHid (hidSpec (vendor));
    EXPECT_NE (send (unopened, reportBytes (0x1a, 0)), kIOReturnSuccess);

    Observed observed;
    makeManager (observed);
    auto closed = world().plugHid (hidSpec (vendor, 0x0141));
    auto unplugged = world().plugHid (hidSpec (vendor));
    EXPECT_EQ (IOHIDDeviceClose (closed, kIOHIDOptionsTypeNone), kIOReturnSuccess);
    world().unplugHid (unplugged);

    EXPECT_NE (send (closed, reportBytes (0x1a, 0)), kIOReturnSuccess);
    EXPECT_NE (send (unplugged, reportBytes (0x1a, 0)), kIOReturnSuccess);
    EXPECT_NE (send (nullptr, reportBytes (0x1a, 0)), kIOReturnSuccess);
    EXPECT_FALSE (world().isHidOpen (closed));

    // A re-plugged device is a new handle, and only the new one takes reports.
    auto replugged = world().plugHid (hidSpec (vendor));
    EXPECT_NE (replugged, unplugged);
    EXPECT_EQ (send (replugged, reportBytes (0x1a, 0)), kIOReturnSuccess);
    EXPECT_NE (send (unplugged, reportBytes (0x1a, 0)), kIOReturnSuccess);

    for (auto device : { unopened, closed, unplugged })
        EXPECT_TRUE (world().hidReports (device).empty());
    EXPECT_EQ (world().hidReports (replugged).size(), 1u);
    EXPECT_EQ (world().hidReportAttempts(), 6);
    EXPECT_EQ (world().hidReportsRefused(), 5);
}

TEST_F (HidReports, CommandsSwitchTheLinkedAudioObjectAndAreAnnounced)
{
    const auto audio = world().addAudioDevice (tolvaSpec());
    auto spec = hidSpec (vendor);
    spec.linkedAudioObject = audio;
    auto device = world().plugHid (spec);
    Observed observed;
    makeManager (observed);
    ASSERT_EQ (world().dataSource (audio), sim::dataSourceLine);

    static std::vector<AudioObjectPropertyAddress> heard;
    static std::mutex heardLock;
    heard.clear();
    const AudioObjectPropertyAddress everything { kAudioObjectPropertySelectorWildcard, kAudioObjectPropertyScopeWildcard,
                                                  kAudioObjectPropertyElementWildcard };
    ASSERT_EQ (AudioObjectAddPropertyListener (
                   audio, &everything,
                   [] (AudioObjectID, UInt32 n, const AudioObjectPropertyAddress* a, void*)
                   {
        const std::lock_guard<std::mutex> guard (heardLock);
        heard.insert (heard.end(), a, a + n);
        return OSStatus (0);
                   },
                   nullptr),
               0);

    send (device, reportBytes (0x1a, 0x00));
    send (device, reportBytes (0x2a, 0xc1));   // mic, with the output-mute flag
    EXPECT_EQ (world().dataSource (audio), sim::dataSourceMic);
    send (device, reportBytes (0x2a, 0x02));
    EXPECT_EQ (world().dataSource (audio), sim::dataSourceHIZ);
    send (device, reportBytes (0x2c, 0x05));
    EXPECT_TRUE (world().playThru (audio));
    send (device, reportBytes (0x2c, 0x01));
    EXPECT_FALSE (world().playThru (audio));
    send (device, reportBytes (0x2a, 0x08));
    EXPECT_EQ (world().dataSource (audio), sim::dataSourceMicHIZ);

    ASSERT_TRUE (testing_support::pumpUntil ([] { return sim::TestWorld::get().listenerIdle(); }));
    const std::lock_guard<std::mutex> guard (heardLock);
    const AudioObjectPropertyAddress source { kAudioDevicePropertyDataSource, kAudioObjectPropertyScopeInput, 0 };
    const AudioObjectPropertyAddress thru { kAudioDevicePropertyPlayThru, kAudioObjectPropertyScopeGlobal, 0 };
    EXPECT_EQ (heard, (std::vector<AudioObjectPropertyAddress> { source, source, thru, thru, source }));
}

TEST_F (HidReports, ResetDropsUndeliveredCallbacksAndRetiresOldHandles)
{
    auto device = world().plugHid (hidSpec (vendor));
    Observed observed;
    makeManager (observed);
    world().reset();
    testing_support::pumpFor (30);

    EXPECT_TRUE (observed.arrivals.empty());
    EXPECT_NE (send (device, reportBytes (0x1a, 0)), kIOReturnSuccess);
    EXPECT_EQ (IOHIDDeviceGetProperty (device, CFSTR (kIOHIDProductKey)), nullptr);
    EXPECT_EQ (world().hidManagerCount(), 0);
}
