// The world's shared state: lookups, delivery to the message thread, and reset.
#include "WorldState.h"
#include "CFObjects.h"
#include "PlatformClock.h"

#include <juce_events/juce_events.h>

#include <algorithm>

void sim::RunLoopSchedule::add (RunLoop* runLoop, CFRunLoopMode mode)
{
    const juce::String name (mode != nullptr ? mode : "");
    for (auto& entry : entries)
        if (entry.runLoop == runLoop && entry.mode == name)
            return;

    entries.push_back ({ runLoop, name });
}

bool sim::RunLoopSchedule::runsIn (const RunLoop* runLoop, const juce::String& mode) const
{
    for (auto& entry : entries)
        if (entry.runLoop == runLoop
            && (entry.mode == mode || (entry.mode == kCFRunLoopCommonModes && detail::isCommonMode (mode))))
            return true;

    return false;
}

namespace sim::detail
{
    Criteria::~Criteria()
    {
        for (auto& dictionary : dictionaries)
            for (auto& criterion : dictionary)
                CFRelease (criterion.value);
    }

    void Criteria::addDictionary (CFDictionaryRef dictionary)
    {
        auto* d = cf::asDictionary (dictionary);
        if (d == nullptr)
            return;

        std::vector<Criterion> entries;
        for (auto& [key, value] : d->entries)
        {
            auto* keyString = cf::asString (static_cast<CFTypeRef> (key));
            if (keyString == nullptr || value == nullptr)
                continue;

            entries.push_back ({ keyString->text, CFRetain (static_cast<CFTypeRef> (value)) });
        }

        dictionaries.push_back (std::move (entries));
    }

    bool isCommonMode (const juce::String& mode)
    {
        return mode == kCFRunLoopDefaultMode || mode == eventTrackingRunLoopMode || mode == modalPanelRunLoopMode;
    }

    bool AudioDevice::getFails (AudioObjectPropertySelector selector) const
    {
        return std::find (failingGets.begin(), failingGets.end(), selector) != failingGets.end();
    }

    bool AudioDevice::setFails (AudioObjectPropertySelector selector) const
    {
        return std::find (failingSets.begin(), failingSets.end(), selector) != failingSets.end();
    }

    WorldState& WorldState::get()
    {
        static WorldState state;
        return state;
    }

    WorldState::~WorldState()
    {
        stopNotificationThread (false);
    }

    HidDevice* WorldState::findHid (IOHIDDeviceRef device) const
    {
        for (auto& d : hidDevices)
            if (d.get() == device)
                return d.get();

        return nullptr;
    }

    AudioDevice* WorldState::findAudio (AudioObjectID object) const
    {
        for (auto& d : audioDevices)
            if (d->id == object)
                return d.get();

        return nullptr;
    }

    bool WorldState::countCallAfterRemoval (const HidDevice& device)
    {
        if (! device.released)
            return false;

        ++callsAfterRemoval;
        return true;
    }

    RunLoop& WorldState::mainRunLoop()
    {
        static RunLoop loop { true };
        return loop;
    }

    void WorldState::setMainRunLoopMode (const juce::String& mode)
    {
        mainRunLoopMode = mode;
        juce::MessageManager::callAsync ([] { WorldState::get().releaseHeldCallbacks(); });
    }

    void WorldState::postToRunLoop (const RunLoopSchedule& schedule, std::function<std::function<void()>()> prepare)
    {
        juce::MessageManager::callAsync ([callback = PendingCallback { generation.load(), &schedule, std::move (prepare) }]() mutable
                                         { WorldState::get().deliver (std::move (callback)); });
    }

    void WorldState::deliver (PendingCallback callback)
    {
        std::function<void()> call;
        {
            const std::lock_guard<std::mutex> guard (mutex);
            if (generation.load() != callback.generation)
                return;

            // A source's callbacks keep their order: one waits behind an earlier one that waits.
            const bool behindHeld = std::any_of (
                held.begin(), held.end(), [&] (const PendingCallback& h) { return h.schedule == callback.schedule; });
            if (behindHeld || ! callback.schedule->runsIn (&mainRunLoop(), mainRunLoopMode))
            {
                held.push_back (std::move (callback));
                return;
            }

            call = callback.prepare();
        }

        if (call)
            call();
    }

    void WorldState::releaseHeldCallbacks()
    {
        for (;;)
        {
            std::function<void()> call;
            {
                const std::lock_guard<std::mutex> guard (mutex);
                const auto next = std::find_if (held.begin(), held.end(),
                                                [this] (const PendingCallback& h)
                                                { return h.schedule->runsIn (&mainRunLoop(), mainRunLoopMode); });
                if (next == held.end())
                    return;

                auto callback = std::move (*next);
                held.erase (next);
                if (callback.generation == generation.load())
                    call = callback.prepare();
            }

            if (call)
                call();
        }
    }

    void WorldState::reset()
    {
        {
            const std::lock_guard<std::mutex> guard (mutex);
            ++generation;
        }

        stopNotificationThread (true);

        // Handed out objects die outside the lock: their destructors release CF objects.
        std::vector<std::unique_ptr<HidDevice>> oldHid;
        std::vector<std::unique_ptr<HidManager>> oldManagers;
        std::vector<std::unique_ptr<AudioDevice>> oldAudio;
        std::vector<std::unique_ptr<NotificationPort>> oldPorts;
        std::vector<std::unique_ptr<ServiceNotification>> oldNotifications;
        {
            const std::lock_guard<std::mutex> guard (mutex);
            oldHid.swap (hidDevices);
            oldManagers.swap (managers);
            oldAudio.swap (audioDevices);
            oldPorts.swap (ports);
            oldNotifications.swap (serviceNotifications);
            held.clear();
            mainRunLoopMode = kCFRunLoopDefaultMode;
            malformedReports = reportsToClosedDevices = callsAfterRemoval = 0;
            listeners.clear();
            writes.clear();
            allowedPowerChanges.clear();
            scriptsRun.clear();
            lastCriteria.clear();
            reportAttempts = reportsRefused = 0;
            powerRegistrations = serviceRegistrations = 0;
            nextAudioId = 0x30;
            refuseDuplicateListener = deviceListFails = powerRegistrationFails = audioMidiSetupAvailable = false;
            listenerCalls = 0;
        }

        PlatformClock::setSpeed (1.0);
    }
}
