// The one thread on which Core Audio property listeners are called, and the settling of delayed rate
// changes, which it also drives.
#include "WorldState.h"
#include "PlatformClock.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>

namespace sim::detail
{
    // Stops the notification thread while JUCE shuts down, before the message manager goes away.
    class ShutdownHook : public juce::DeletedAtShutdown
    {
    public:
        ~ShutdownHook() override
        {
            auto& state = WorldState::get();
            {
                const std::lock_guard<std::mutex> guard (state.mutex);
                state.shutdownHookInstalled = false;
            }
            state.stopNotificationThread (false);
        }
    };

    void WorldState::announce (AudioObjectID object, std::vector<AudioObjectPropertyAddress> addresses)
    {
        if (addresses.empty())
            return;

        queue.push_back ({ generation.load(), object, std::move (addresses) });
        ensureNotificationThread();
        wake.notify_all();
    }

    void WorldState::settleRates()
    {
        bool anyPending = false;
        const auto now = PlatformClock::getMillisecondCounterHiRes();

        for (auto& device : audioDevices)
        {
            if (! device->pendingRate)
                continue;

            if (now >= device->pendingDue)
            {
                device->rate = *device->pendingRate;
                device->pendingRate.reset();
                announce (device->id, { { kAudioDevicePropertyNominalSampleRate, kAudioObjectPropertyScopeGlobal, 0 },
                                        { kAudioStreamPropertyPhysicalFormat, kAudioObjectPropertyScopeGlobal, 0 } });
            }
            else
            {
                anyPending = true;
            }
        }

        if (anyPending)
        {
            ensureNotificationThread();
            wake.notify_all();
        }
    }

    std::optional<double> WorldState::realMsUntilNextSettle() const
    {
        std::optional<double> earliest;
        for (auto& device : audioDevices)
            if (device->pendingRate)
                earliest = std::min (earliest.value_or (device->pendingDue), device->pendingDue);

        if (! earliest)
            return {};

        return PlatformClock::platformToRealMilliseconds (*earliest - PlatformClock::getMillisecondCounterHiRes());
    }

    bool WorldState::listenerIdle() const
    {
        const std::lock_guard<std::mutex> guard (mutex);
        return queue.empty() && ! delivering;
    }

    void WorldState::ensureNotificationThread()
    {
        if (thread.joinable() || stopRequested)
            return;

        threadFinished = false;
        thread = std::thread ([this] { notificationLoop(); });

        if (! shutdownHookInstalled && juce::MessageManager::getInstanceWithoutCreating() != nullptr)
        {
            shutdownHookInstalled = true;
            new ShutdownHook();
        }
    }

    void WorldState::notificationLoop()
    {
        std::unique_lock<std::mutex> lock (mutex);

        while (! stopRequested)
        {
            settleRates();

            if (! queue.empty())
            {
                auto item = std::move (queue.front());
                queue.pop_front();

                std::vector<std::pair<Listener, std::vector<AudioObjectPropertyAddress>>> calls;
                if (item.object == kAudioObjectSystemObject || findAudio (item.object) != nullptr)
                {
                    for (auto& listener : listeners[item.object])
                    {
                        std::vector<AudioObjectPropertyAddress> wanted;
                        for (auto& address : item.addresses)
                            if (addressesMatch (listener.address, address))
                                wanted.push_back (address);

                        if (! wanted.empty())
                            calls.emplace_back (listener, std::move (wanted));
                    }
                }

                // Listeners call back into the world, and may wait for the message thread: never hold
                // the mutex while calling them.
                delivering = true;
                lock.unlock();

                for (auto& [listener, addresses] : calls)
                {
                    if (generation.load() != item.generation)
                        break;

                    listener.proc (item.object, static_cast<UInt32> (addresses.size()), addresses.data(), listener.clientData);
                    ++listenerCalls;
                }

                lock.lock();
                delivering = false;
                continue;
            }

            if (const auto untilSettle = realMsUntilNextSettle())
            {
                const auto realMs = std::clamp (*untilSettle, 0.2, 20.0);
                wake.wait_for (lock, std::chrono::microseconds (static_cast<std::int64_t> (realMs * 1000.0)));
            }
            else
            {
                wake.wait (lock);
            }
        }

        threadFinished = true;
    }

    void WorldState::stopNotificationThread (bool pumpMessages)
    {
        std::thread stopping;
        {
            const std::lock_guard<std::mutex> guard (mutex);
            queue.clear();
            if (! thread.joinable())
                return;

            stopRequested = true;
            stopping = std::move (thread);
            wake.notify_all();
        }

        auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();
        const bool pump = pumpMessages && messageManager != nullptr && messageManager->isThisTheMessageThread();
        const auto giveUpAt = juce::Time::getMillisecondCounterHiRes() + 10000.0;

        while (! threadFinished)
        {
            if (juce::Time::getMillisecondCounterHiRes() > giveUpAt)
            {
                // A listener is stuck (waiting for a message thread that can't answer): leave it be
                // rather than hang.
                jassertfalse;
                stopping.detach();
                break;
            }

            if (pump)
                messageManager->runDispatchLoopUntil (1);
            else
                std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }

        const bool abandoned = ! stopping.joinable();
        if (! abandoned)
            stopping.join();

        const std::lock_guard<std::mutex> guard (mutex);
        stopRequested = abandoned;   // an abandoned thread must still see the request
        delivering = false;
        queue.clear();
    }
}
