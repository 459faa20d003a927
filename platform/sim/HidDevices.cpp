// Simulated HID devices: plugging and unplugging them, and what their output reports do.
#include "WorldState.h"
#include "CFObjects.h"

using sim::detail::WorldState;

namespace
{
    constexpr UInt8 commandInputSelect = 0x2a;
    constexpr UInt8 commandMonitor = 0x2c;
    constexpr UInt8 monitorOn = 0x05;

    std::optional<UInt32> dataSourceForInputCode (UInt8 code)
    {
        switch (code)
        {
            case 0x04:
                return sim::dataSourceLine;
            case 0x01:
                return sim::dataSourceMic;
            case 0x02:
                return sim::dataSourceHIZ;
            case 0x08:
                return sim::dataSourceMicHIZ;
            default:
                return {};
        }
    }
}

namespace sim::detail
{
    // The device's firmware switches the linked audio object as the user would see it in Core Audio. It
    // gets only reports the device accepted.
    void WorldState::applyHidCommand (const HidDevice& device, const std::vector<UInt8>& bytes)
    {
        if (device.spec.linkedAudioObject == 0)
            return;

        const auto command = bytes[2];
        const auto value = bytes[5];

        if (command == commandInputSelect)
        {
            if (const auto source = dataSourceForInputCode (value & 0x0f))
                setProperty (device.spec.linkedAudioObject,
                             { kAudioDevicePropertyDataSource, kAudioObjectPropertyScopeInput, 0 }, sizeof (UInt32),
                             &*source, Origin::outside);
        }
        else if (command == commandMonitor)
        {
            const UInt32 on = value == monitorOn ? 1 : 0;
            setProperty (device.spec.linkedAudioObject, { kAudioDevicePropertyPlayThru, kAudioObjectPropertyScopeGlobal, 0 },
                         sizeof (UInt32), &on, Origin::outside);
        }
    }
}

namespace sim
{
    IOHIDDeviceRef World::plugHid (const HidDeviceSpec& spec)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);

        auto device = std::make_unique<HidDevice>();
        device->spec = spec;
        device->serviceId = state.nextObjectId++;
        if (spec.vendorId)
            device->vendorIdObject = cf::makeNumber (*spec.vendorId);
        if (spec.productId)
            device->productIdObject = cf::makeNumber (*spec.productId);
        if (spec.product)
            device->productObject = cf::makeString (*spec.product);

        auto* handle = device.get();
        state.hidDevices.push_back (std::move (device));

        for (auto& manager : state.managers)
        {
            if (! manager->open || ! manager->matches (*handle))
                continue;

            handle->open = true;
            if (manager->schedule.scheduled())
                state.postArrival (*manager, *handle);
        }

        state.offerToServiceNotifications (*handle);
        return handle;
    }

    void World::unplugHid (IOHIDDeviceRef device)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        auto* d = state.findHid (device);
        if (d == nullptr || ! d->attached)
            return;

        d->attached = false;
        d->open = false;

        for (auto& manager : state.managers)
            if (std::find (manager->reported.begin(), manager->reported.end(), d) != manager->reported.end())
                state.postRemoval (*manager, *d);
    }

    bool World::isHidAttached (IOHIDDeviceRef device) const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        auto* d = state.findHid (device);
        return d != nullptr && d->attached;
    }

    bool World::isHidOpen (IOHIDDeviceRef device) const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        auto* d = state.findHid (device);
        return d != nullptr && d->open;
    }
}
