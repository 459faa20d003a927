// The world's shared state: lookups, delivery to the message thread, and reset.
#include "WorldState.h"
#include "CFObject.h"
#include "PlatformClock.h"

#include <juce_events/juce_events.h>

#include <algorithm>

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

    __IOHIDDevice* WorldState::findHid (IOHIDDeviceRef device) const
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

    void WorldState::postToMessageThread (std::function<std::function<void()>()> prepare)
    {
        const auto postedIn = generation.load();
        juce::MessageManager::callAsync ([postedIn, prepare = std::move (prepare)]
        {
            auto& state = WorldState::get();
            std::function<void()> call;
            {
                const std::lock_guard<std::mutex> guard (state.mutex);
                if (state.generation.load() != postedIn)
                    return;

                call = prepare();
            }

            if (call)
                call();
        });
    }

    void WorldState::reset()
    {
        {
            const std::lock_guard<std::mutex> guard (mutex);
            ++generation;
        }

        stopNotificationThread (true);

        // Handed out objects die outside the lock: their destructors release CF objects.
        std::vector<std::unique_ptr<__IOHIDDevice>> oldHid;
        std::vector<std::unique_ptr<__IOHIDManager>> oldManagers;
        std::vector<std::unique_ptr<AudioDevice>> oldAudio;
        std::vector<std::unique_ptr<__IONotificationPort>> oldPorts;
        std::vector<std::unique_ptr<ServiceNotification>> oldNotifications;
        {
            const std::lock_guard<std::mutex> guard (mutex);
            oldHid.swap (hidDevices);
            oldManagers.swap (managers);
            oldAudio.swap (audioDevices);
            oldPorts.swap (ports);
            oldNotifications.swap (serviceNotifications);
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
