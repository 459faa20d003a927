// Registration with the platform, HID arrival and removal, and what reaches the panel.
#include "DeviceTestSupport.h"

using namespace device_tests;

// Registration -------------------------------------------------------------------------------------------

using Registration = DeviceTest;

TEST_F (Registration, RegistersPowerHidManagerForBothProductIdsAndUsbNotification)
{
    registerPanel();

    EXPECT_EQ (mydeviceStruct.owner.load(), panel());
    EXPECT_EQ (mydeviceStruct.vendorId, tolvaVendorId);
    EXPECT_EQ (mydeviceStruct.productId1, 0x0142);
    EXPECT_EQ (mydeviceStruct.productId2, 0x0141);
    EXPECT_STREQ (mydeviceStruct.hidProductName, "Tolva");
    EXPECT_STREQ (mydeviceStruct.audioDeviceName, "Tolva");
    EXPECT_STREQ (mydeviceStruct.audioManufacturer, "TARVIK, Inc.");

    EXPECT_EQ (world().powerRegistrationCount(), 1);
    EXPECT_NE (root_port, 0u);
    EXPECT_EQ (world().hidManagerCount(), 1);
    EXPECT_EQ (world().serviceNotificationCount(), 1);
    EXPECT_NE (gNotifyPort, nullptr);
    EXPECT_NE (gRunLoopSource, nullptr);

    const auto vendor = "VendorID=" + juce::String (tolvaVendorId);
    EXPECT_EQ (world().lastManagerCriteria(), juce::StringArray (vendor + ";ProductID=" + juce::String (0x0142),
                                                                 vendor + ";ProductID=" + juce::String (0x0141)));
}

TEST_F (Registration, GoesOnWhenPowerRegistrationFails)
{
    world().setPowerRegistrationFails (true);
    world().addAudioDevice (audioDevice());
    registerPanel();

    EXPECT_EQ (root_port, 0u);
    EXPECT_EQ (world().hidManagerCount(), 1);

    world().plugHid (tolvaHid());
    ASSERT_TRUE (waitForEvents (1));
    EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventArrived });
}

// HID arrival --------------------------------------------------------------------------------------------

class HidArrival : public DeviceTest,
                   public ::testing::WithParamInterface<SInt32>
{};

TEST_P (HidArrival, AcceptedProductIdRaisesArrivalOnTheMessageThread)
{
    const auto audio = world().addAudioDevice (audioDevice());
    registerPanel();

    auto device = world().plugHid (tolvaHid (GetParam(), "Something else"));
    ASSERT_TRUE (waitForEvents (1));

    const auto events = recorder().events();
    ASSERT_EQ (events.size(), 1u);
    EXPECT_EQ (events[0].event, deviceEventArrived);
    EXPECT_TRUE (events[0].onMessageThread);
    EXPECT_EQ (events[0].hidInterface, device);
    EXPECT_EQ (events[0].inObject, audio);
    EXPECT_EQ (events[0].outObject, audio);
    EXPECT_EQ (ghidInterface.load(), device);
}

INSTANTIATE_TEST_SUITE_P (BothProducts, HidArrival, ::testing::Values (0x0142, 0x0141));

namespace sim
{
    // The properties the panel matches on, as a failing case names them.
    void PrintTo (const HidDeviceSpec& spec, std::ostream* os)
    {
        *os << "vendor " << (spec.vendorId ? "0x" + juce::String::toHexString (*spec.vendorId) : "none") << ", product "
            << (spec.productId ? "0x" + juce::String::toHexString (*spec.productId) : "none") << ", name "
            << (spec.product ? spec.product->quoted() : "none");
    }
}

class HidIgnored : public DeviceTest,
                   public ::testing::WithParamInterface<sim::HidDeviceSpec>
{};

TEST_P (HidIgnored, ByTheMatchingCallback)
{
    world().addAudioDevice (audioDevice());
    fillContextOnly();

    auto device = world().plugHid (GetParam());
    Handle_DeviceMatchingCallback (&mydeviceStruct, kIOReturnSuccess, nullptr, device);

    EXPECT_EQ (ghidInterface.load(), nullptr);
    EXPECT_EQ (audioIds(), AudioIds (0, 0));
    EXPECT_EQ (recorder().count(), 0u);
}

TEST_P (HidIgnored, WhenPluggedBesideTheInterface)
{
    world().addAudioDevice (audioDevice());
    registerPanel();

    world().plugHid (GetParam());
    // Reports arrive in plug order, so the interface's arrival comes after whatever the other one did.
    auto tolva = world().plugHid (tolvaHid());
    ASSERT_TRUE (waitForEvents (1));

    EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventArrived });
    EXPECT_EQ (ghidInterface.load(), tolva);
}

namespace
{
    sim::HidDeviceSpec withoutVendor()
    {
        auto s = tolvaHid();
        s.vendorId.reset();
        return s;
    }
    sim::HidDeviceSpec withoutProductId()
    {
        auto s = tolvaHid();
        s.productId.reset();
        return s;
    }
    sim::HidDeviceSpec withoutProduct()
    {
        auto s = tolvaHid();
        s.product.reset();
        return s;
    }
    sim::HidDeviceSpec otherVendor()
    {
        auto s = tolvaHid();
        s.vendorId = tolvaVendorId + 1;
        return s;
    }
}

INSTANTIATE_TEST_SUITE_P (Devices, HidIgnored,
                          ::testing::Values (tolvaHid (0x0143), tolvaHid (0x0140), otherVendor(), withoutVendor(),
                                             withoutProductId(), withoutProduct()));

using HidDevices = DeviceTest;

TEST_F (HidDevices, LaterMatchingDeviceReplacesTheHandleAndArrivesAgain)
{
    world().addAudioDevice (audioDevice());
    registerPanel();

    auto first = world().plugHid (tolvaHid (0x0142));
    ASSERT_TRUE (waitForEvents (1));
    auto second = world().plugHid (tolvaHid (0x0141));
    ASSERT_TRUE (waitForEvents (2));

    const auto events = recorder().events();
    EXPECT_EQ (events[0].hidInterface, first);
    EXPECT_EQ (events[1].hidInterface, second);
    EXPECT_EQ (ghidInterface.load(), second);

    // Losing the earlier device, which is no longer the one in use, raises nothing and changes nothing.
    const auto ids = audioIds();
    world().unplugHid (first);
    // A power message queued behind the removal marks the point where it was handled.
    world().sendPowerMessage (kIOMessageCanSystemSleep, 99);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ! world().allowedPowerChanges().empty(); }));
    EXPECT_EQ (recorder().count(), 2u);
    EXPECT_EQ (ghidInterface.load(), second);
    EXPECT_EQ (audioIds(), ids);

    // Losing the one in use is the interface going away.
    world().unplugHid (second);
    ASSERT_TRUE (waitForEvents (3));
    EXPECT_EQ (recorder().kinds().back(), deviceEventRemoved);
    EXPECT_EQ (recorder().events().back().hidInterface, second);
    EXPECT_EQ (audioIds(), AudioIds (0, 0));
}

TEST_F (HidDevices, OnlyTheHidManagerReportsAnArrival)
{
    world().addAudioDevice (audioDevice());
    registerPanel();

    world().plugHid (tolvaHid());
    ASSERT_TRUE (waitForEvents (1));
    // A power message queued behind any other notification marks the point where all were handled.
    world().sendPowerMessage (kIOMessageCanSystemSleep, 99);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ! world().allowedPowerChanges().empty(); }));

    EXPECT_EQ (recorder().count(), 1u);
}

// HID removal --------------------------------------------------------------------------------------------

// The product name decides, in any letter case, whether losing the device is the interface going away.
struct RemovalCase
{
    SInt32 productId;
    const char* product;
    bool removalRaised;
};

void PrintTo (const RemovalCase& c, std::ostream* os)
{
    *os << '"' << c.product << '"';
}

class HidRemovalByName : public DeviceTest,
                         public ::testing::WithParamInterface<RemovalCase>
{};

TEST_P (HidRemovalByName, DropsTheHandleAndRaisesRemovalWithTheOldIdentifiers)
{
    const auto c = GetParam();
    const auto audio = world().addAudioDevice (audioDevice());
    registerPanel();
    auto device = world().plugHid (tolvaHid (c.productId, c.product));
    ASSERT_TRUE (waitForEvents (1));

    world().unplugHid (device);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ghidInterface.load() == nullptr; }));

    if (! c.removalRaised)
    {
        EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventArrived });
        EXPECT_EQ (audioIds(), AudioIds (audio, audio));
        return;
    }

    ASSERT_TRUE (waitForEvents (2));
    EXPECT_EQ (recorder().kinds(), (std::vector<OXV_CallbackEvent> { deviceEventArrived, deviceEventRemoved }));
    const auto removal = recorder().events().back();
    EXPECT_TRUE (removal.onMessageThread);
    EXPECT_EQ (removal.inObject, audio);
    EXPECT_EQ (removal.outObject, audio);
    EXPECT_EQ (removal.hidInterface, device);
    EXPECT_EQ (audioIds(), AudioIds (0, 0));
}

INSTANTIATE_TEST_SUITE_P (Names, HidRemovalByName,
                          ::testing::Values (RemovalCase { 0x0142, "Tolva", true }, RemovalCase { 0x0141, "tOLVA", true },
                                             RemovalCase { 0x0142, "Tolva USB", false }));

using HidRemoval = DeviceTest;

TEST_F (HidRemoval, RemovalWithoutHandledArrivalLeavesNoStaleHandle)
{
    // No audio device: the arrival's lookup gives up, so the panel never learns of the device.
    registerPanel();
    auto device = world().plugHid (tolvaHid());
    ASSERT_TRUE (testing_support::pumpUntil ([device] { return ghidInterface.load() == device; }));

    world().unplugHid (device);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ghidInterface.load() == nullptr; }));
    EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventRemoved });

    sendHidCommand (hidCmdAttach, 0x00);
    EXPECT_EQ (world().hidReportAttempts(), 0);
}

TEST_F (HidRemoval, ForeignDeviceChangesNothing)
{
    fillContextOnly();
    auto ours = world().plugHid (tolvaHid());
    auto foreign = world().plugHid (otherVendor());
    ghidInterface = foreign;   // even a handle that somehow points at it is not ours to drop
    setAudioIds (7, 8);

    Handle_DeviceRemovalCallback (&mydeviceStruct, kIOReturnSuccess, nullptr, foreign);

    EXPECT_EQ (ghidInterface.load(), foreign);
    EXPECT_EQ (audioIds(), AudioIds (7, 8));
    EXPECT_EQ (recorder().count(), 0u);

    // Nor is ours, while the handle points elsewhere.
    Handle_DeviceRemovalCallback (&mydeviceStruct, kIOReturnSuccess, nullptr, ours);
    EXPECT_EQ (recorder().count(), 0u);
    EXPECT_EQ (ghidInterface.load(), foreign);
    EXPECT_EQ (audioIds(), AudioIds (7, 8));

    ghidInterface = ours;
    Handle_DeviceRemovalCallback (&mydeviceStruct, kIOReturnSuccess, nullptr, ours);
    EXPECT_EQ (recorder().kinds(), std::vector<OXV_CallbackEvent> { deviceEventRemoved });
    EXPECT_EQ (ghidInterface.load(), nullptr);
    EXPECT_EQ (audioIds(), AudioIds (0, 0));
}

// Owner --------------------------------------------------------------------------------------------------

using Owner = DeviceTest;

TEST_F (Owner, EventsAfterUnregistrationNeverReachTheCallback)
{
    const auto audio = world().addAudioDevice (audioDevice());
    registerPanel();
    UnregisterDeviceOwner (panel());
    EXPECT_EQ (mydeviceStruct.owner.load(), nullptr);

    // Arrival: the device is still taken, but nobody hears of it.
    auto device = world().plugHid (tolvaHid());
    ASSERT_TRUE (testing_support::pumpUntil ([audio] { return gOutAudioObjectID.load() == audio; }));

    // Listener thread.
    const auto calls = world().listenerCallsDelivered();
    world().externalSetMute (audio, kAudioObjectPropertyScopeOutput, true);
    ASSERT_TRUE (testing_support::pumpUntil (
        [calls] { return world().listenerCallsDelivered() > calls && world().listenerIdle(); }));

    // Power: still answered.
    world().sendPowerMessage (kIOMessageSystemWillSleep, 5);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ! world().allowedPowerChanges().empty(); }));

    // Removal.
    world().unplugHid (device);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ghidInterface.load() == nullptr; }));

    EXPECT_EQ (recorder().count(), 0u);
}

TEST_F (Owner, OnlyTheRegisteredOwnerCanUnregister)
{
    registerPanel();
    int otherPanel = 0;
    UnregisterDeviceOwner (&otherPanel);
    EXPECT_EQ (mydeviceStruct.owner.load(), panel());
}

// Power --------------------------------------------------------------------------------------------------

using Power = DeviceTest;

TEST_F (Power, WillSleepRaisesEventBeforeAllowingIt)
{
    registerPanel();
    world().sendPowerMessage (kIOMessageSystemWillSleep, 42);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ! world().allowedPowerChanges().empty(); }));

    const auto events = recorder().events();
    ASSERT_EQ (events.size(), 1u);
    EXPECT_EQ (events[0].event, deviceEventSystemWillSleep);
    EXPECT_TRUE (events[0].onMessageThread);
    EXPECT_EQ (events[0].powerChangesAllowed, 0u);
    EXPECT_EQ (world().allowedPowerChanges(), std::vector<intptr_t> { 42 });
}

TEST_F (Power, WakeMessagesRaiseTheirEventsOnly)
{
    registerPanel();
    world().sendPowerMessage (kIOMessageSystemWillPowerOn, 1);
    world().sendPowerMessage (kIOMessageSystemHasPoweredOn, 2);
    ASSERT_TRUE (waitForEvents (2));

    EXPECT_EQ (recorder().kinds(),
               (std::vector<OXV_CallbackEvent> { deviceEventSystemWillPowerOn, deviceEventSystemHasPoweredOn }));
    EXPECT_TRUE (world().allowedPowerChanges().empty());
}

TEST_F (Power, SleepQueryIsAllowedWithoutEventAndOtherMessagesDoNothing)
{
    registerPanel();
    world().sendPowerMessage (kIOMessageSystemWillNotSleep, 3);
    world().sendPowerMessage (0xe0000999, 4);
    // Delivered in order: once the query is answered, the two before it were handled.
    world().sendPowerMessage (kIOMessageCanSystemSleep, 5);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ! world().allowedPowerChanges().empty(); }));

    EXPECT_EQ (world().allowedPowerChanges(), std::vector<intptr_t> { 5 });
    EXPECT_EQ (recorder().count(), 0u);
}
