#include "RegisterDeviceCallBacksMac.h"

#include "CoreAudioDevice.h"
#include <CFUniquePtr.h>
#include <PlatformClock.h>

#include <memory>

DeviceContext mydeviceStruct {};

std::atomic<IOHIDDeviceRef> ghidInterface { nullptr };
std::atomic<AudioObjectID> gInAudioObjectID { 0 };
std::atomic<AudioObjectID> gOutAudioObjectID { 0 };

io_connect_t root_port = 0;
mach_port_t gMasterDevicePort = 0;
IONotificationPortRef gNotifyPort = nullptr;
CFRunLoopSourceRef gRunLoopSource = nullptr;
io_iterator_t gPlugIter = 0;

namespace
{
    const char* const tolvaProductName = "Tolva";
    const char* const tolvaManufacturer = "TARVIK, Inc.";
    constexpr int lookupAttempts = 5;

    CFUniquePtr<CFStringRef> makeAsciiString (const char* text)
    {
        return CFUniquePtr<CFStringRef> (CFStringCreateWithCString (kCFAllocatorDefault, text, kCFStringEncodingASCII));
    }

    bool readSInt32Property (IOHIDDeviceRef device, const char* key, SInt32& value)
    {
        const auto number = IOHIDDeviceGetProperty (device, CFSTR (key));
        if (number == nullptr)
            return false;

        value = 0;
        CFNumberGetValue (number, kCFNumberSInt32Type, &value);
        return true;
    }

    // The ID tests shared by arrival and removal: vendor ID, product ID and product string present, the
    // product ID one of ours, then the vendor ID ours. Hands back the product string (not retained).
    bool passesIdTests (const DeviceContext& context, IOHIDDeviceRef device, CFStringRef& product)
    {
        SInt32 vendorId = 0, productId = 0;
        if (! readSInt32Property (device, kIOHIDVendorIDKey, vendorId)
            || ! readSInt32Property (device, kIOHIDProductIDKey, productId))
            return false;

        product = IOHIDDeviceGetProperty (device, CFSTR (kIOHIDProductKey));
        if (product == nullptr)
            return false;

        if (productId != context.productId1 && productId != context.productId2)
            return false;

        return vendorId == context.vendorId;
    }

    void setNumber (CFMutableDictionaryRef dictionary, const char* key, CFNumberType type, SInt32 value)
    {
        if (auto number = CFUniquePtr<CFNumberRef> (CFNumberCreate (kCFAllocatorDefault, type, &value)))
            CFDictionarySetValue (dictionary, CFSTR (key), number.get());
    }

    void registerForSystemPower()
    {
        IONotificationPortRef powerPort = nullptr;
        io_object_t notifier = 0;
        root_port = IORegisterForSystemPower (&mydeviceStruct, &powerPort, MySleepCallBack, &notifier);

        if (root_port != 0)
            CFRunLoopAddSource (CFRunLoopGetCurrent(), IONotificationPortGetRunLoopSource (powerPort), kCFRunLoopCommonModes);
    }

    void setMatchingCriteria (IOHIDManagerRef manager)
    {
        auto criteria = CFArrayCreateMutable (kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
        if (criteria == nullptr)
            return;

        for (auto productId : { mydeviceStruct.productId1, mydeviceStruct.productId2 })
        {
            auto dictionary = CFDictionaryCreateMutable (kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                         &kCFTypeDictionaryValueCallBacks);
            if (dictionary == nullptr)
                continue;

            setNumber (dictionary, kIOHIDVendorIDKey, kCFNumberIntType, mydeviceStruct.vendorId);
            setNumber (dictionary, kIOHIDProductIDKey, kCFNumberIntType, productId);
            CFArrayAppendValue (criteria, dictionary);
            CFRelease (dictionary);
        }

        IOHIDManagerSetDeviceMatchingMultiple (manager, criteria);
        CFRelease (criteria);
    }

    // The manager is never closed or released: it reports for the life of the process.
    void registerHidManager()
    {
        auto manager = IOHIDManagerCreate (kCFAllocatorDefault, 0);
        setMatchingCriteria (manager);
        IOHIDManagerRegisterDeviceMatchingCallback (manager, Handle_DeviceMatchingCallback, &mydeviceStruct);
        IOHIDManagerRegisterDeviceRemovalCallback (manager, Handle_DeviceRemovalCallback, &mydeviceStruct);
        IOHIDManagerScheduleWithRunLoop (manager, CFRunLoopGetMain(), kCFRunLoopDefaultMode);
        IOHIDManagerOpen (manager, 0);
    }

    // gPlugIter is deliberately never drained: device arrival rests on the HID manager.
    void registerUsbNotification()
    {
        IOMasterPort (MACH_PORT_NULL, &gMasterDevicePort);
        auto matching = IOServiceMatching ("IOUSBDevice");
        gNotifyPort = IONotificationPortCreate (gMasterDevicePort);
        gRunLoopSource = IONotificationPortGetRunLoopSource (gNotifyPort);
        CFRunLoopAddSource (CFRunLoopGetCurrent(), gRunLoopSource, kCFRunLoopDefaultMode);

        if (matching == nullptr)
            return;

        setNumber (matching, kIOHIDVendorIDKey, kCFNumberSInt32Type, mydeviceStruct.vendorId);
        IOServiceAddMatchingNotification (gNotifyPort, kIOMatchedNotification, matching, plugCallback, &mydeviceStruct,
                                          &gPlugIter);
    }
}

void RegisterDeviceCallBacks (void* owner, OXV_DeviceCallback callback)
{
    mydeviceStruct.vendorId = tolvaVendorId;
    mydeviceStruct.productId1 = tolvaProductId1;
    mydeviceStruct.productId2 = tolvaProductId2;
    mydeviceStruct.hidProductName = tolvaProductName;
    mydeviceStruct.audioDeviceName = tolvaProductName;
    mydeviceStruct.audioManufacturer = tolvaManufacturer;
    mydeviceStruct.callback.store (callback);
    mydeviceStruct.owner.store (owner);

    registerForSystemPower();
    registerHidManager();
    registerUsbNotification();
}

void UnregisterDeviceOwner (void* owner)
{
    // Only the registered owner may withdraw; a newer panel's registration stays.
    mydeviceStruct.owner.compare_exchange_strong (owner, nullptr);
}

void closeHidInterface()
{
    if (auto* device = ghidInterface.load())
        IOHIDDeviceClose (device, kIOHIDOptionsTypeNone);

    ghidInterface = nullptr;
}

void raiseDeviceEvent (DeviceContext& context, OXV_CallbackEvent event)
{
    auto* owner = context.owner.load();
    if (owner == nullptr)
        return;

    if (auto callback = context.callback.load())
        callback (owner, nullptr, event);
}

void Handle_DeviceMatchingCallback (void* context, IOReturn, void*, IOHIDDeviceRef device)
{
    if (context == nullptr)
        return;

    CFStringRef product = nullptr;
    if (! passesIdTests (*static_cast<DeviceContext*> (context), device, product))
        return;

    ghidInterface = device;
    plugCallback (context, 0);
}

void Handle_DeviceRemovalCallback (void* context, IOReturn, void*, IOHIDDeviceRef device)
{
    if (context == nullptr)
        return;

    auto& deviceContext = *static_cast<DeviceContext*> (context);
    CFStringRef product = nullptr;
    if (! passesIdTests (deviceContext, device, product))
        return;

    // With two interfaces attached the panel works with the last one matched. The other one going away
    // concerns nobody: the controls, the handle and the audio objects stay as they are.
    if (ghidInterface.load() != device)
        return;

    const auto name = makeAsciiString (deviceContext.hidProductName);
    if (name != nullptr && CFStringCompare (name.get(), product, kCFCompareCaseInsensitive) == kCFCompareEqualTo)
    {
        raiseDeviceEvent (deviceContext, deviceEventRemoved);
        gInAudioObjectID = 0;
        gOutAudioObjectID = 0;
    }

    // The manager releases the device once we return. The panel closes and clears the handle when it
    // handled an arrival; when it didn't (or the event wasn't raised), don't keep a dangling target
    // for reports.
    auto removed = device;
    ghidInterface.compare_exchange_strong (removed, nullptr);
}

void plugCallback (void* refcon, io_iterator_t)
{
    auto* context = static_cast<DeviceContext*> (refcon);
    if (context == nullptr || context->audioDeviceName == nullptr || context->audioManufacturer == nullptr)
        return;

    const auto name = makeAsciiString (context->audioDeviceName);
    const auto manufacturer = makeAsciiString (context->audioManufacturer);

    // The audio objects may appear a little after the HID device: try once a second, five times.
    for (int attempt = 0; attempt < lookupAttempts; ++attempt)
    {
        CreateInputDeviceArray (name.get(), manufacturer.get(), refcon);

        if (gInAudioObjectID != 0 && gOutAudioObjectID != 0)
        {
            raiseDeviceEvent (*context, deviceEventArrived);
            return;
        }

        PlatformClock::sleep (1);
    }
}

void MySleepCallBack (void* refcon, io_service_t, natural_t messageType, void* messageArgument)
{
    auto* context = static_cast<DeviceContext*> (refcon);
    const auto notificationId = reinterpret_cast<intptr_t> (messageArgument);

    auto raise = [context] (OXV_CallbackEvent event)
    {
        if (context != nullptr)
            raiseDeviceEvent (*context, event);
    };

    // Sleep is never refused.
    switch (messageType)
    {
        case kIOMessageCanSystemSleep:
            IOAllowPowerChange (root_port, notificationId);
            break;

        case kIOMessageSystemWillSleep:
            raise (deviceEventSystemWillSleep);
            IOAllowPowerChange (root_port, notificationId);
            break;

        case kIOMessageSystemWillPowerOn:
            raise (deviceEventSystemWillPowerOn);
            break;

        case kIOMessageSystemHasPoweredOn:
            raise (deviceEventSystemHasPoweredOn);
            break;

        default:
            break;
    }
}
