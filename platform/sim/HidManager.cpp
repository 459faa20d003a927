// The IOKit HID manager and HID devices: matching, arrival and removal on the message thread, and
// output reports.
#include "WorldState.h"
#include "CFObjects.h"

using sim::detail::WorldState;

namespace
{
    juce::String criterionText (const std::vector<sim::detail::Criterion>& dictionary)
    {
        juce::StringArray parts;
        for (auto& criterion : dictionary)
        {
            juce::String value;
            if (auto* number = cf::asNumber (criterion.value))
                value = juce::String (number->value);
            else
                value = juceStringFromCFString (criterion.value);

            parts.add (criterion.key + "=" + value);
        }

        return parts.joinIntoString (";");
    }

    bool dictionaryMatches (const std::vector<sim::detail::Criterion>& dictionary, const sim::HidDevice& device)
    {
        for (auto& criterion : dictionary)
        {
            const auto value = device.property (criterion.key);
            if (value == nullptr || ! cf::equal (value, criterion.value))
                return false;
        }

        return true;
    }
}

namespace sim::detail
{
    bool matchesAny (const Criteria& criteria, const HidDevice& device)
    {
        for (auto& dictionary : criteria.dictionaries)
            if (dictionaryMatches (dictionary, device))
                return true;

        return false;
    }

    void WorldState::postArrival (HidManager& manager, HidDevice& device)
    {
        manager.reported.push_back (&device);
        postToMessageThread ([m = &manager, d = &device]() -> std::function<void()>
        {
            if (m->matchingCallback == nullptr)
                return {};

            return [callback = m->matchingCallback, context = m->matchingContext, m, d]
                   { callback (context, kIOReturnSuccess, m, d); };
        });
    }

    void WorldState::postRemoval (HidManager& manager, HidDevice& device)
    {
        postToMessageThread ([m = &manager, d = &device]() -> std::function<void()>
        {
            if (m->removalCallback == nullptr)
                return {};

            return [callback = m->removalCallback, context = m->removalContext, m, d]
                   { callback (context, kIOReturnSuccess, m, d); };
        });
    }

    // Once a manager is both open and scheduled it reports the attached devices it matches, in the
    // order they were plugged in.
    void WorldState::deliverPresentDevices (HidManager& manager)
    {
        if (! manager.open || ! manager.scheduled)
            return;

        for (auto& device : hidDevices)
        {
            const bool alreadyReported = std::find (manager.reported.begin(), manager.reported.end(), device.get())
                                         != manager.reported.end();
            if (device->attached && ! alreadyReported && manager.matches (*device))
                postArrival (manager, *device);
        }
    }
}

sim::HidDevice::~HidDevice()
{
    CFRelease (vendorIdObject);
    CFRelease (productIdObject);
    CFRelease (productObject);
}

CFTypeRef sim::HidDevice::property (const juce::String& key) const
{
    if (key == kIOHIDVendorIDKey)   return vendorIdObject;
    if (key == kIOHIDProductIDKey)  return productIdObject;
    if (key == kIOHIDProductKey)    return productObject;
    if (key == "IOProviderClass")   return CFSTR ("IOUSBDevice");
    return nullptr;
}

bool sim::HidManager::matches (const sim::HidDevice& device) const
{
    return ! criteria || sim::detail::matchesAny (*criteria, device);
}

IOHIDManagerRef IOHIDManagerCreate (CFAllocatorRef, IOOptionBits)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    state.managers.push_back (std::make_unique<sim::HidManager>());
    return state.managers.back().get();
}

namespace
{
    sim::HidManager* findManager (WorldState& state, IOHIDManagerRef manager)
    {
        for (auto& m : state.managers)
            if (m.get() == manager)
                return m.get();

        return nullptr;
    }
}

void IOHIDManagerSetDeviceMatchingMultiple (IOHIDManagerRef manager, CFArrayRef multiple)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* m = findManager (state, manager);
    if (m == nullptr)
        return;

    m->criteria.reset();
    state.lastCriteria.clear();
    if (multiple == nullptr)
        return;

    m->criteria.emplace();
    for (CFIndex i = 0; i < CFArrayGetCount (multiple); ++i)
        m->criteria->addDictionary (static_cast<CFDictionaryRef> (CFArrayGetValueAtIndex (multiple, i)));

    for (auto& dictionary : m->criteria->dictionaries)
        state.lastCriteria.add (criterionText (dictionary));
}

void IOHIDManagerRegisterDeviceMatchingCallback (IOHIDManagerRef manager, IOHIDDeviceCallback callback, void* context)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    if (auto* m = findManager (state, manager))
    {
        m->matchingCallback = callback;
        m->matchingContext = context;
    }
}

void IOHIDManagerRegisterDeviceRemovalCallback (IOHIDManagerRef manager, IOHIDDeviceCallback callback, void* context)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    if (auto* m = findManager (state, manager))
    {
        m->removalCallback = callback;
        m->removalContext = context;
    }
}

void IOHIDManagerScheduleWithRunLoop (IOHIDManagerRef manager, CFRunLoopRef runLoop, CFRunLoopMode)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* m = findManager (state, manager);
    if (m == nullptr || runLoop == nullptr)
        return;

    m->scheduled = true;
    state.deliverPresentDevices (*m);
}

IOReturn IOHIDManagerOpen (IOHIDManagerRef manager, IOOptionBits)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* m = findManager (state, manager);
    if (m == nullptr)
        return kIOReturnBadArgument;

    m->open = true;
    for (auto& device : state.hidDevices)
        if (device->attached && m->matches (*device))
            device->open = true;

    state.deliverPresentDevices (*m);
    return kIOReturnSuccess;
}

CFTypeRef IOHIDDeviceGetProperty (IOHIDDeviceRef device, CFStringRef key)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* d = state.findHid (device);
    return d != nullptr ? d->property (juceStringFromCFString (key)) : nullptr;
}

IOReturn IOHIDDeviceSetReport (IOHIDDeviceRef device, IOHIDReportType reportType, CFIndex reportID,
                               const UInt8* report, CFIndex reportLength)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    ++state.reportAttempts;

    auto* d = state.findHid (device);
    IOReturn refusal = kIOReturnSuccess;
    if (d == nullptr || reportLength < 0 || (report == nullptr && reportLength > 0))
        refusal = kIOReturnBadArgument;
    else if (! d->attached)
        refusal = kIOReturnNoDevice;
    else if (! d->open)
        refusal = kIOReturnNotOpen;

    if (refusal != kIOReturnSuccess)
    {
        ++state.reportsRefused;
        return refusal;
    }

    std::vector<UInt8> bytes (report, report + reportLength);
    if (state.keepLogs)
        d->reports.push_back ({ reportType, reportID, bytes });
    if (reportType == kIOHIDReportTypeOutput)
        state.applyHidCommand (*d, bytes);

    return kIOReturnSuccess;
}

IOReturn IOHIDDeviceClose (IOHIDDeviceRef device, IOOptionBits)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* d = state.findHid (device);
    if (d == nullptr)
        return kIOReturnBadArgument;

    if (! d->open)
        return kIOReturnNotOpen;

    d->open = false;
    return kIOReturnSuccess;
}
