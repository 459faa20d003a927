// Helpers shared by the test programs: running the message loop while waiting for something.
#pragma once

#include <juce_events/juce_events.h>
#include <juce_graphics/juce_graphics.h>
#include <functional>

namespace testing_support
{
    // Runs the message loop (timers, async callbacks, action messages, lock requests from other threads)
    // until the condition holds or the timeout passes. Returns whether the condition held.
    inline bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 5000)
    {
        const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
        while (! condition())
        {
            if (juce::Time::getMillisecondCounterHiRes() > end)
                return false;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
        }
        return true;
    }

    // Whether two images have the same size and the same pixels.
    inline bool samePixels (const juce::Image& a, const juce::Image& b)
    {
        if (a.getBounds() != b.getBounds())
            return false;

        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                    return false;

        return true;
    }

    // Runs the message loop for the given time.
    inline void pumpFor (int milliseconds)
    {
        const auto end = juce::Time::getMillisecondCounterHiRes() + milliseconds;
        while (juce::Time::getMillisecondCounterHiRes() < end)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
    }
}
