// The panel's timers as a test sees them: every start recorded with its timer id and interval, and, on
// request, a clock that the test moves in place of the real one, so that a timer fires exactly when the
// test has moved the clock far enough and never because the machine was slow.
#pragma once

#include "MainComponent.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <ostream>
#include <vector>

namespace panel_tests
{
    struct TimerStart
    {
        int id;
        int intervalMs;

        bool operator== (const TimerStart& other) const { return id == other.id && intervalMs == other.intervalMs; }
    };

    inline std::ostream& operator<< (std::ostream& os, const TimerStart& s)
    {
        return os << "{timer " << s.id << ", " << s.intervalMs << " ms}";
    }

    constexpr TimerStart holdStart (int ms)
    {
        return { MainComponent::timerIdUserEdit, ms };
    }
    constexpr TimerStart refreshStart (int ms)
    {
        return { MainComponent::timerIdDeviceRefresh, ms };
    }

    // Starts may come from a Core Audio thread that holds the message-manager lock; the clock is moved
    // and read on the message thread.
    class ClockedPanel : public MainComponent
    {
    public:
        // Every start so far, in order.
        std::vector<TimerStart> starts() const
        {
            const std::lock_guard<std::mutex> guard (mutex);
            return recorded;
        }

        void forgetStarts()
        {
            const std::lock_guard<std::mutex> guard (mutex);
            recorded.clear();
        }

        // From now on the panel's timers count the test's milliseconds only. A timer already running on
        // the real clock is moved over with its whole interval.
        void useTestClock()
        {
            for (int id : { timerIdUserEdit, timerIdDeviceRefresh })
            {
                if (isTimerRunning (id))
                {
                    const auto interval = getTimerInterval (id);
                    MainComponent::stopPanelTimer (id);
                    const std::lock_guard<std::mutex> guard (mutex);
                    schedule (id, interval);
                }
            }
            const std::lock_guard<std::mutex> guard (mutex);
            onTestClock = true;
        }

        // Moves the test clock on, firing on the way every timer whose time comes, in time order (timers
        // due at the same moment in the order they were started), as the message thread would.
        void advanceClock (int ms)
        {
            long long target = 0;
            {
                const std::lock_guard<std::mutex> guard (mutex);
                ASSERT_TRUE (onTestClock) << "the panel runs on the real clock";
                target = now + ms;
            }
            for (;;)
            {
                int id = 0;
                {
                    const std::lock_guard<std::mutex> guard (mutex);
                    auto next = pending.end();
                    for (auto it = pending.begin(); it != pending.end(); ++it)
                        if (it->second.due <= target && (next == pending.end() || earlier (it->second, next->second)))
                            next = it;
                    if (next == pending.end())
                        break;

                    id = next->first;
                    now = next->second.due;
                    // A timer keeps running until it is stopped, as a MultiTimer's does.
                    next->second.due += next->second.intervalMs;
                    next->second.order = nextOrder++;
                }
                timerCallback (id);
            }
            const std::lock_guard<std::mutex> guard (mutex);
            now = target;
        }

        // Whether the timer runs on the test clock, and how long until it fires.
        bool isPending (int id) const
        {
            const std::lock_guard<std::mutex> guard (mutex);
            return pending.count (id) != 0;
        }

        long long msUntil (int id) const
        {
            const std::lock_guard<std::mutex> guard (mutex);
            const auto found = pending.find (id);
            return found != pending.end() ? found->second.due - now : -1;
        }

    protected:
        void startPanelTimer (int timerId, int intervalMs) override
        {
            {
                const std::lock_guard<std::mutex> guard (mutex);
                recorded.push_back ({ timerId, intervalMs });
                if (onTestClock)
                {
                    schedule (timerId, intervalMs);
                    return;
                }
            }
            MainComponent::startPanelTimer (timerId, intervalMs);
        }

        void stopPanelTimer (int timerId) override
        {
            {
                const std::lock_guard<std::mutex> guard (mutex);
                if (onTestClock)
                {
                    pending.erase (timerId);
                    return;
                }
            }
            MainComponent::stopPanelTimer (timerId);
        }

    private:
        struct Countdown
        {
            long long due;
            int intervalMs;
            long long order;
        };

        static bool earlier (const Countdown& a, const Countdown& b)
        {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        }

        // The caller holds the mutex. A new start of a running timer begins its countdown again.
        void schedule (int id, int intervalMs) { pending[id] = { now + intervalMs, intervalMs, nextOrder++ }; }

        mutable std::mutex mutex;
        std::vector<TimerStart> recorded;
        bool onTestClock = false;
        long long now = 0;
        long long nextOrder = 0;
        std::map<int, Countdown> pending;
    };
}
