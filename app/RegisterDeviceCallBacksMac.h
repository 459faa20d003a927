// Device discovery: the global device context, the device handles, the registration for HID arrival
// and removal, USB plug notifications and system power messages, and the callbacks that end in the
// panel's device-event function.
#pragma once

#include <IOKit.h>
#include <CoreAudio.h>

#include <atomic>

#ifndef TOLVA_VENDOR_ID
 #define TOLVA_VENDOR_ID 0x1fc9
#endif

// The device-event value handed to the device-event function.
enum OXV_CallbackEvent
{
    deviceEventArrived = 1,
    deviceEventRemoved = 2,
    deviceEventChanged = 3,
    deviceEventSystemWillSleep = 5,
    deviceEventSystemWillPowerOn = 6,
    deviceEventSystemHasPoweredOn = 7
};

using OXV_DeviceCallback = void (*) (void* owner, void* unused, OXV_CallbackEvent event);

struct DeviceContext
{
    // The panel that registered; the Core Audio thread reads it, the message thread clears it when the
    // panel goes away, hence atomic. Callbacks load it once and raise nothing while it is null.
    std::atomic<void*> owner;
    SInt32 vendorId;
    SInt32 productId1;
    SInt32 productId2;
    const char* hidProductName;
    const char* audioDeviceName;
    const char* audioManufacturer;
    // Read by the Core Audio thread as well, so atomic like the owner.
    std::atomic<OXV_DeviceCallback> callback;
};

constexpr SInt32 tolvaVendorId = TOLVA_VENDOR_ID;
constexpr SInt32 tolvaProductId1 = 0x0142;
constexpr SInt32 tolvaProductId2 = 0x0141;

extern DeviceContext mydeviceStruct;

// Device handles. The Core Audio listener reads the object IDs on its own thread while the message
// thread writes them, so all three are atomic.
extern std::atomic<IOHIDDeviceRef> ghidInterface;
extern std::atomic<AudioObjectID> gInAudioObjectID;
extern std::atomic<AudioObjectID> gOutAudioObjectID;

extern io_connect_t root_port;
extern mach_port_t gMasterDevicePort;
extern IONotificationPortRef gNotifyPort;
extern CFRunLoopSourceRef gRunLoopSource;
extern io_iterator_t gPlugIter;

// Fills mydeviceStruct with the owner and its device-event function and registers every system
// callback. Called once by the panel's constructor, on the message thread.
void RegisterDeviceCallBacks (void* owner, OXV_DeviceCallback callback);

// Stops events from reaching the owner: called by the owner before it goes away. Later events find no
// owner and do nothing.
void UnregisterDeviceOwner (void* owner);

// Closes the attached HID device, if any, and clears the handle, so no report goes to a released device.
void closeHidInterface();

// Calls the context's device-event function with its owner, null and the event; does nothing while no
// owner is registered. The owner is read once, so an unregistration in between can't split the call.
void raiseDeviceEvent (DeviceContext& context, OXV_CallbackEvent event);

void Handle_DeviceMatchingCallback (void* context, IOReturn result, void* sender, IOHIDDeviceRef device);
void Handle_DeviceRemovalCallback (void* context, IOReturn result, void* sender, IOHIDDeviceRef device);
void plugCallback (void* refcon, io_iterator_t iterator);
void MySleepCallBack (void* refcon, io_service_t service, natural_t messageType, void* messageArgument);
