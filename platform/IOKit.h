// Stand-in for the IOKit calls the device code makes: the HID manager and HID devices, system power
// messages, and USB service notifications. Callbacks are delivered on the main run loop (JUCE's
// message thread), never from inside the call that registers them.
#pragma once

#include "CoreFoundation.h"

using IOReturn = std::int32_t;
using kern_return_t = std::int32_t;
using IOOptionBits = UInt32;
using natural_t = UInt32;
using mach_port_t = UInt32;
using io_object_t = UInt32;
using io_connect_t = io_object_t;
using io_service_t = io_object_t;
using io_iterator_t = io_object_t;

constexpr IOReturn kIOReturnSuccess = 0;
constexpr IOReturn kIOReturnError = static_cast<IOReturn> (0xe00002bc);
constexpr IOReturn kIOReturnNotOpen = static_cast<IOReturn> (0xe00002cd);
constexpr IOReturn kIOReturnNoDevice = static_cast<IOReturn> (0xe00002c0);
constexpr IOReturn kIOReturnBadArgument = static_cast<IOReturn> (0xe00002c2);
constexpr IOReturn kIOReturnUnsupported = static_cast<IOReturn> (0xe00002c7);
constexpr IOOptionBits kIOHIDOptionsTypeNone = 0;
constexpr mach_port_t MACH_PORT_NULL = 0;

namespace sim
{
    struct HidManager;
    struct HidDevice;
    struct NotificationPort;
}

// HID
using IOHIDManagerRef = sim::HidManager*;
using IOHIDDeviceRef = sim::HidDevice*;

enum IOHIDReportType
{
    kIOHIDReportTypeInput = 0,
    kIOHIDReportTypeOutput = 1,
    kIOHIDReportTypeFeature = 2
};

#define kIOHIDVendorIDKey "VendorID"
#define kIOHIDProductIDKey "ProductID"
#define kIOHIDProductKey "Product"

using IOHIDDeviceCallback = void (*) (void* context, IOReturn result, void* sender, IOHIDDeviceRef device);

IOHIDManagerRef IOHIDManagerCreate (CFAllocatorRef allocator, IOOptionBits options);
// The manager reports only devices whose properties equal every entry of at least one dictionary.
void IOHIDManagerSetDeviceMatchingMultiple (IOHIDManagerRef manager, CFArrayRef multiple);
void IOHIDManagerRegisterDeviceMatchingCallback (IOHIDManagerRef manager, IOHIDDeviceCallback callback, void* context);
void IOHIDManagerRegisterDeviceRemovalCallback (IOHIDManagerRef manager, IOHIDDeviceCallback callback, void* context);
void IOHIDManagerScheduleWithRunLoop (IOHIDManagerRef manager, CFRunLoopRef runLoop, CFRunLoopMode mode);
// Opens the manager and its matching devices; the devices present now are reported (in the order they
// were attached), then every later arrival and removal.
IOReturn IOHIDManagerOpen (IOHIDManagerRef manager, IOOptionBits options);
// "VendorID" and "ProductID" as numbers, "Product" as a string; null when the device has no such
// property. The result is not retained for the caller.
CFTypeRef IOHIDDeviceGetProperty (IOHIDDeviceRef device, CFStringRef key);
// Delivers the bytes as one report to an open, attached device; fails for a closed or removed one, and
// with kIOReturnUnsupported for a report the device does not know (it then changes nothing). A handle
// must not be used once the manager's removal callback for it has returned.
IOReturn IOHIDDeviceSetReport (IOHIDDeviceRef device, IOHIDReportType reportType, CFIndex reportID, const UInt8* report,
                               CFIndex reportLength);
IOReturn IOHIDDeviceClose (IOHIDDeviceRef device, IOOptionBits options);

// Power
using IONotificationPortRef = sim::NotificationPort*;
using IOServiceInterestCallback = void (*) (void* refcon, io_service_t service, natural_t messageType, void* messageArgument);

constexpr natural_t kIOMessageCanSystemSleep = 0xe0000270;
constexpr natural_t kIOMessageSystemWillSleep = 0xe0000280;
constexpr natural_t kIOMessageSystemWillNotSleep = 0xe0000290;
constexpr natural_t kIOMessageSystemHasPoweredOn = 0xe0000300;
constexpr natural_t kIOMessageSystemWillPowerOn = 0xe0000320;

// Returns the root connection (0 on failure); power messages arrive through the port's run-loop source.
io_connect_t IORegisterForSystemPower (void* refcon, IONotificationPortRef* thePortRef,
                                       IOServiceInterestCallback callback, io_object_t* notifier);
IOReturn IOAllowPowerChange (io_connect_t kernelPort, intptr_t notificationID);

// USB service notifications
using IOServiceMatchingCallback = void (*) (void* refcon, io_iterator_t iterator);
#define kIOMatchedNotification "IOServiceMatched"
#define kIOFirstMatchNotification "IOServiceFirstMatch"

kern_return_t IOMasterPort (mach_port_t bootstrapPort, mach_port_t* masterPort);
CFMutableDictionaryRef IOServiceMatching (const char* className);
IONotificationPortRef IONotificationPortCreate (mach_port_t masterPort);
CFRunLoopSourceRef IONotificationPortGetRunLoopSource (IONotificationPortRef notifyPort);
// Takes over (releases) the matching dictionary. The iterator first holds the services that match now;
// the callback is armed only once the iterator has been drained with IOIteratorNext, as on macOS.
kern_return_t IOServiceAddMatchingNotification (IONotificationPortRef notifyPort, const char* notificationType,
                                                CFDictionaryRef matching, IOServiceMatchingCallback callback,
                                                void* refCon, io_iterator_t* notification);
io_object_t IOIteratorNext (io_iterator_t iterator);
kern_return_t IOObjectRelease (io_object_t object);
