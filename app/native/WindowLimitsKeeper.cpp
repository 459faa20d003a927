#include "WindowLimitsKeeper.h"

#include <cmath>

namespace
{
    // The ratio as a small fraction (320 / 290 gives 32 : 29), as size hints take it.
    juce::Point<int> ratioAsFraction (double ratio)
    {
        if (ratio <= 0.0)
            return {};

        for (int denominator = 1; denominator <= 1000; ++denominator)
        {
            const auto numerator = ratio * denominator;
            if (std::abs (numerator - std::round (numerator)) < 1.0e-6 * denominator)
                return { (int) std::round (numerator), denominator };
        }

        return { juce::roundToInt (ratio * 10000.0), 10000 };
    }
}

WindowLimitsKeeper::WindowLimitsKeeper (juce::ResizableWindow& w, BorderBoundsConstrainer& c)
    : window (w),
      constrainer (c),
      lastFitting (w.getBounds()),
      rules (w, [&c] (const juce::ComponentPeer& peer) { return hintsFor (c, peer.getPlatformScaleFactor()); })
{
    window.addComponentListener (this);
}

WindowLimitsKeeper::~WindowLimitsKeeper()
{
    cancelPendingUpdate();
    window.removeComponentListener (this);
}

bool WindowLimitsKeeper::fits (const juce::ComponentBoundsConstrainer& c, juce::Point<int> size)
{
    if (size.x < c.getMinimumWidth() || size.x > c.getMaximumWidth() || size.y < c.getMinimumHeight()
        || size.y > c.getMaximumHeight())
        return false;

    const auto ratio = c.getFixedAspectRatio();
    return ratio <= 0.0 || std::abs (size.x - size.y * ratio) <= 1.0 || std::abs (size.y - size.x / ratio) <= 1.0;
}

juce::Rectangle<int> WindowLimitsKeeper::bringBack (juce::ComponentBoundsConstrainer& c, juce::Rectangle<int> bounds,
                                                    juce::Rectangle<int> previous, juce::BorderSize<int> frame,
                                                    juce::Rectangle<int> screenArea)
{
    // The constrainer takes outer bounds, as JUCE hands them over when the user drags the corner.
    auto outer = frame.addedTo (bounds);
    c.checkBounds (outer, frame.addedTo (previous), screenArea, false, false, true, true);
    return frame.subtractedFrom (outer);
}

WindowSizeHints WindowLimitsKeeper::hintsFor (const juce::ComponentBoundsConstrainer& c, double scale)
{
    const auto physical = [scale] (int width, int height)
    { return juce::Point<int> (juce::roundToInt (width * scale), juce::roundToInt (height * scale)); };

    return { physical (c.getMinimumWidth(), c.getMinimumHeight()), physical (c.getMaximumWidth(), c.getMaximumHeight()),
             ratioAsFraction (c.getFixedAspectRatio()) };
}

void WindowLimitsKeeper::componentMovedOrResized (juce::Component&, bool, bool)
{
    if (isSizedBySystem())
        return;

    if (fits (constrainer, { window.getWidth(), window.getHeight() }))
        lastFitting = window.getBounds();
    else
        // Not from inside JUCE's handling of the window's new bounds.
        triggerAsyncUpdate();
}

void WindowLimitsKeeper::handleAsyncUpdate()
{
    const auto bounds = window.getBounds();

    if (! isSizedBySystem() && ! fits (constrainer, { bounds.getWidth(), bounds.getHeight() }))
    {
        const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (bounds);
        const auto screenArea = display != nullptr ? display->userArea : juce::Rectangle<int>();

        // The frame the constrainer takes off, so the limits bind the content as they do for JUCE's own
        // resizes while that frame is the window's.
        window.setBounds (bringBack (constrainer, bounds, lastFitting, constrainer.frameBorder, screenArea));
    }
}

bool WindowLimitsKeeper::isSizedBySystem() const
{
    return window.isFullScreen() || window.isMinimised() || window.isKioskMode();
}
