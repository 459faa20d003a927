// Platform time: real time scaled by a speed factor, continuous across speed changes.
#include "PlatformClock.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace
{
    struct ClockState
    {
        std::mutex lock;
        double speed = 1.0;
        double anchorReal = 0.0;       // real milliseconds at the last speed change
        double anchorPlatform = 0.0;   // platform milliseconds at that moment
    };

    // Never destroyed: threads may still ask for the time during static destruction.
    ClockState& state()
    {
        static auto* clock = new ClockState();
        return *clock;
    }

    double realNow()
    {
        return juce::Time::getMillisecondCounterHiRes();
    }

    double platformNow (const ClockState& clock, double real)
    {
        return clock.anchorPlatform + (real - clock.anchorReal) * clock.speed;
    }
}

namespace PlatformClock
{
    double getMillisecondCounterHiRes()
    {
        auto& clock = state();
        const std::lock_guard<std::mutex> guard (clock.lock);
        return platformNow (clock, realNow());
    }

    std::uint32_t getMillisecondCounter()
    {
        return static_cast<std::uint32_t> (static_cast<std::int64_t> (getMillisecondCounterHiRes()));
    }

    void setSpeed (double factor)
    {
        if (! (factor > 0.0))
            return;

        auto& clock = state();
        const std::lock_guard<std::mutex> guard (clock.lock);
        const auto real = realNow();
        clock.anchorPlatform = platformNow (clock, real);
        clock.anchorReal = real;
        clock.speed = factor;
    }

    double getSpeed()
    {
        auto& clock = state();
        const std::lock_guard<std::mutex> guard (clock.lock);
        return clock.speed;
    }

    double platformToRealMilliseconds (double platformMilliseconds)
    {
        return platformMilliseconds / getSpeed();
    }

    void sleepMilliseconds (int milliseconds)
    {
        if (milliseconds <= 0)
            return;

        // Sleeps in short slices so that a speed change during the wait takes effect.
        const auto end = getMillisecondCounterHiRes() + milliseconds;
        for (;;)
        {
            const auto remaining = end - getMillisecondCounterHiRes();
            if (remaining <= 0.0)
                return;

            const auto realMs = std::min (platformToRealMilliseconds (remaining), 10.0);
            std::this_thread::sleep_for (
                std::chrono::microseconds (std::max<std::int64_t> (1, static_cast<std::int64_t> (realMs * 1000.0))));
        }
    }

    void sleep (unsigned int seconds)
    {
        sleepMilliseconds (static_cast<int> (std::min (seconds, 2000000u)) * 1000);
    }

    void yieldProcessor()
    {
        std::this_thread::yield();
    }
}
