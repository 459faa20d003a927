// IOKit power messages, USB service notifications and the main run loop they are delivered on.
#include "WorldState.h"
#include "CFObjects.h"

#include <juce_events/juce_events.h>

using sim::detail::WorldState;

namespace
{
    constexpr mach_port_t masterPort = 0x0b03;

    sim::NotificationPort* findPort (WorldState& state, const sim::NotificationPort* port)
    {
        for (auto& p : state.ports)
            if (p.get() == port)
                return p.get();

        return nullptr;
    }

    sim::detail::ServiceNotification* findNotification (WorldState& state, io_iterator_t iterator)
    {
        for (auto& n : state.serviceNotifications)
            if (n->iterator == iterator)
                return n.get();

        return nullptr;
    }

    void postServiceCallback (WorldState& state, sim::detail::ServiceNotification& notification)
    {
        notification.armed = false;
        state.postToRunLoop (notification.port->source.schedule,
                             [n = &notification]() -> std::function<void()>
                             {
            return [callback = n->callback, refCon = n->refCon, iterator = n->iterator] { callback (refCon, iterator); };
        });
    }
}

namespace sim::detail
{
    // A newly attached device is a new USB service: it joins every matching iterator, and an armed
    // notification whose port is on the run loop calls back.
    void WorldState::offerToServiceNotifications (const HidDevice& device)
    {
        for (auto& notification : serviceNotifications)
        {
            if (! matchesAny (notification->criteria, device))
                continue;

            notification->pending.push_back (device.serviceId);
            if (notification->armed && notification->callback != nullptr && notification->port->source.schedule.scheduled())
                postServiceCallback (*this, *notification);
        }
    }
}

// Run loop ------------------------------------------------------------------------------------------------

const CFRunLoopMode kCFRunLoopDefaultMode = "kCFRunLoopDefaultMode";
const CFRunLoopMode kCFRunLoopCommonModes = "kCFRunLoopCommonModes";

CFRunLoopRef CFRunLoopGetMain()
{
    return &WorldState::mainRunLoop();
}

// The message thread's run loop is the main one; any other thread has its own, which never runs here.
CFRunLoopRef CFRunLoopGetCurrent()
{
    if (juce::MessageManager::existsAndIsCurrentThread())
        return CFRunLoopGetMain();

    thread_local sim::RunLoop threadRunLoop;
    return &threadRunLoop;
}

void CFRunLoopAddSource (CFRunLoopRef runLoop, CFRunLoopSourceRef source, CFRunLoopMode mode)
{
    if (runLoop == nullptr || source == nullptr)
        return;

    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    for (auto& port : state.ports)
        if (&port->source == source)
            port->source.schedule.add (runLoop, mode);
}

// Power ---------------------------------------------------------------------------------------------------

io_connect_t IORegisterForSystemPower (void* refcon, IONotificationPortRef* thePortRef,
                                       IOServiceInterestCallback callback, io_object_t* notifier)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    ++state.powerRegistrations;

    if (state.powerRegistrationFails)
    {
        if (thePortRef != nullptr)
            *thePortRef = nullptr;
        if (notifier != nullptr)
            *notifier = 0;
        return 0;
    }

    auto port = std::make_unique<sim::NotificationPort>();
    port->isPowerPort = true;
    port->refcon = refcon;
    port->powerCallback = callback;
    port->connection = state.nextObjectId++;

    if (thePortRef != nullptr)
        *thePortRef = port.get();
    if (notifier != nullptr)
        *notifier = state.nextObjectId++;

    const auto connection = port->connection;
    state.ports.push_back (std::move (port));
    return connection;
}

IOReturn IOAllowPowerChange (io_connect_t kernelPort, intptr_t notificationID)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    for (auto& port : state.ports)
    {
        if (port->isPowerPort && port->connection == kernelPort && kernelPort != 0)
        {
            if (state.keepLogs)
                state.allowedPowerChanges.push_back (notificationID);
            return kIOReturnSuccess;
        }
    }

    return kIOReturnBadArgument;
}

// USB service notifications -------------------------------------------------------------------------------

kern_return_t IOMasterPort (mach_port_t, mach_port_t* port)
{
    if (port == nullptr)
        return kIOReturnBadArgument;

    *port = masterPort;
    return kIOReturnSuccess;
}

CFMutableDictionaryRef IOServiceMatching (const char* className)
{
    if (className == nullptr)
        return nullptr;

    auto dictionary = CFDictionaryCreateMutable (kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                 &kCFTypeDictionaryValueCallBacks);
    auto name = CFStringCreateWithCString (kCFAllocatorDefault, className, kCFStringEncodingUTF8);
    CFDictionarySetValue (dictionary, CFSTR ("IOProviderClass"), name);
    CFRelease (name);
    return dictionary;
}

IONotificationPortRef IONotificationPortCreate (mach_port_t)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    state.ports.push_back (std::make_unique<sim::NotificationPort>());
    return state.ports.back().get();
}

CFRunLoopSourceRef IONotificationPortGetRunLoopSource (IONotificationPortRef notifyPort)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* port = findPort (state, notifyPort);
    return port != nullptr ? &port->source : nullptr;
}

kern_return_t IOServiceAddMatchingNotification (IONotificationPortRef notifyPort, const char* notificationType,
                                                CFDictionaryRef matching, IOServiceMatchingCallback callback,
                                                void* refCon, io_iterator_t* notification)
{
    kern_return_t result = kIOReturnSuccess;
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        ++state.serviceRegistrations;

        const juce::String type (notificationType != nullptr ? notificationType : "");
        auto* port = findPort (state, notifyPort);
        if (port == nullptr || notification == nullptr || matching == nullptr
            || (type != kIOMatchedNotification && type != kIOFirstMatchNotification))
        {
            result = kIOReturnBadArgument;
        }
        else
        {
            auto entry = std::make_unique<sim::detail::ServiceNotification>();
            entry->iterator = state.nextObjectId++;
            entry->port = port;
            entry->callback = callback;
            entry->refCon = refCon;
            entry->criteria.addDictionary (matching);

            for (auto& device : state.hidDevices)
                if (device->attached && sim::detail::matchesAny (entry->criteria, *device))
                    entry->pending.push_back (device->serviceId);

            *notification = entry->iterator;
            state.serviceNotifications.push_back (std::move (entry));
        }
    }

    CFRelease (matching);
    return result;
}

io_object_t IOIteratorNext (io_iterator_t iterator)
{
    auto& state = WorldState::get();
    const std::lock_guard<std::mutex> guard (state.mutex);
    auto* notification = findNotification (state, iterator);
    if (notification == nullptr)
        return 0;

    if (notification->pending.empty())
    {
        notification->armed = true;   // drained: the next match calls back
        return 0;
    }

    const auto service = notification->pending.front();
    notification->pending.pop_front();
    return service;
}

kern_return_t IOObjectRelease (io_object_t object)
{
    return object != 0 ? kIOReturnSuccess : kIOReturnBadArgument;
}

// The world's side --------------------------------------------------------------------------------------

namespace sim
{
    void World::sendPowerMessage (natural_t messageType, intptr_t argument)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        for (auto& port : state.ports)
        {
            if (! port->isPowerPort || ! port->source.schedule.scheduled() || port->powerCallback == nullptr)
                continue;

            state.postToRunLoop (port->source.schedule,
                                 [p = port.get(), messageType, argument]() -> std::function<void()>
                                 {
                return [callback = p->powerCallback, refcon = p->refcon, service = p->connection, messageType, argument]
                { callback (refcon, service, messageType, reinterpret_cast<void*> (argument)); };
            });
        }
    }
}
