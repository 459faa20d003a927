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
        postToRunLoop (manager.schedule,
                       [m = &manager, d = &device]() -> std::function<void()>
                       {
            if (m->matchingCallback == nullptr)
                return {};

            return [callback = m->matchingCallback, context = m->matchingContext, m, d]
            { callback (context, kIOReturnSuccess, m, d); };
        });
    }

    // The manager lets go of the device once the last removal callback for it has returned.
    void WorldState::postRemoval (HidManager& manager, HidDevice& device)
    {
        ++device.removalsPending;
        postToRunLoop (manager.schedule,
                       [this, m = &manager, d = &device]() -> std::function<void()>
                       {
            return [this, callback = m->removalCallback, context = m->removalContext, m, d, postedIn = generation.load()]
            {
                if (callback != nullptr)
                    callback (context, kIOReturnSuccess, m, d);

                const std::lock_guard<std::mutex> guard (mutex);
                if (generation.load() == postedIn && --d->removalsPending == 0)
                    d->released = true;
                };
        });
    }

    // Once a manager is both open and scheduled it reports the attached devices it matches, in the
    // order they were plugged in.
    void WorldState::deliverPresentDevices (HidManager& manager)
    {
        if (! manager.open || ! manager.schedule.scheduled())
            return;

        for (auto& device : hidDevices)
        {
            const bool alreadyReported =
                std::find (manager.reported.begin(), manager.reported.end(), device.get()) != manager.reported.end();
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
    if (key == kIOHIDVendorIDKey)
        return vendorIdObject;
    if (key == kIOHIDProductIDKey)
        return productIdObject;
    if (key == kIOHIDProductKey)
        return productObject;
    if (key == "IOProviderClass")
        return CFSTR ("IOUSBDevice");
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

void IOHIDManagerScheduleWithRunLoop (IOHIDManagerRef manager, CFRunLoopRef runLoop, CFRunLoopMode mode)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* m = findManager (state, manager);
    if (m == nullptr || runLoop == nullptr)
        return;

    m->schedule.add (runLoop, mode);
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
    if (d == nullptr || state.countCallAfterRemoval (*d))
        return nullptr;

    return d->property (juceStringFromCFString (key));
}

namespace
{
    // Whether the device's firmware knows the value for the command.
    bool knownValue (UInt8 command, UInt8 value)
    {
        const auto isInputCode = [] (UInt8 code) { return code == 0x01 || code == 0x02 || code == 0x04 || code == 0x08; };
        switch (command)
        {
            case 0x1a:
                return value == 0x00;
            case 0x2a:
                return isInputCode (value) || ((value & 0xc0) == 0xc0 && isInputCode (value & 0x3f));
            case 0x2c:
                return value == 0x01 || value == 0x05;
            default:
                return false;
        }
    }

    // The device takes only its one output report: report ID 0, 27 bytes, every fixed byte as the
    // firmware expects it and a command it knows with a value it knows for that command.
    bool isWellFormedCommand (IOHIDReportType type, CFIndex reportId, const UInt8* bytes, CFIndex length)
    {
        constexpr CFIndex commandLength = 27;
        if (type != kIOHIDReportTypeOutput || reportId != 0 || length != commandLength)
            return false;

        for (CFIndex i = 0; i < commandLength; ++i)
        {
            const auto expected = i == 0 ? 0x12 : i == 1 ? 0x34 : i == 4 ? 0x01 : i == 21 ? 0x80 : 0x00;
            if (i != 2 && i != 5 && bytes[i] != expected)
                return false;
        }

        return knownValue (bytes[2], bytes[5]);
    }
}

IOReturn IOHIDDeviceSetReport (IOHIDDeviceRef device, IOHIDReportType reportType, CFIndex reportID, const UInt8* report,
                               CFIndex reportLength)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    ++state.reportAttempts;

    auto* d = state.findHid (device);
    IOReturn refusal = kIOReturnSuccess;
    if (d == nullptr || reportLength < 0 || (report == nullptr && reportLength > 0))
        refusal = kIOReturnBadArgument;
    else if (state.countCallAfterRemoval (*d) || ! d->attached)
        refusal = kIOReturnNoDevice;
    else if (! d->open)
    {
        refusal = kIOReturnNotOpen;
        ++state.reportsToClosedDevices;
    }
    else if (! isWellFormedCommand (reportType, reportID, report, reportLength))
    {
        refusal = kIOReturnUnsupported;
        ++state.malformedReports;
    }

    if (refusal != kIOReturnSuccess)
    {
        ++state.reportsRefused;
        return refusal;
    }

    std::vector<UInt8> bytes (report, report + reportLength);
    if (state.keepLogs)
        d->reports.push_back ({ reportType, reportID, bytes });
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

    if (state.countCallAfterRemoval (*d))
        return kIOReturnNoDevice;

    if (! d->open)
        return kIOReturnNotOpen;

    d->open = false;
    return kIOReturnSuccess;
}
