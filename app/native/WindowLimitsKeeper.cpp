#include "WindowLimitsKeeper.h"
#include "X11WindowState.h"

#include <cmath>
#include <numeric>

namespace
{
    // A ratio as a fraction with a fixed denominator, rounded towards `towards`: the range the window
    // manager is told lies inside the one the window accepts, so that it never settles a size the window
    // would then bring back.
    juce::Point<int> asFraction (double ratio, double towards)
    {
        constexpr int denominator = 10000;
        const auto scaled = ratio * denominator;
        const auto numerator = (int) (towards > ratio ? std::ceil (scaled) : std::floor (scaled));
        const auto divisor = std::gcd (numerator, denominator);
        return { numerator / divisor, denominator / divisor };
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

    WindowSizeHints hints { physical (c.getMinimumWidth(), c.getMinimumHeight()),
                            physical (c.getMaximumWidth(), c.getMaximumHeight()),
                            {},
                            {} };

    // The sizes at the ratio as the window counts them, which every size it asks for lies among.
    if (const auto ratio = c.getFixedAspectRatio(); ratio > 0.0)
    {
        const auto tolerance = BorderBoundsConstrainer::ratioTolerance (c);
        hints.minimumAspect = asFraction (ratio - tolerance, ratio);
        hints.maximumAspect = asFraction (ratio + tolerance, ratio);
    }

    return hints;
}

void WindowLimitsKeeper::componentMovedOrResized (juce::Component&, bool, bool)
{
    if (isMinimisedOrKiosk())
        return;

    if (BorderBoundsConstrainer::fits (constrainer, { window.getWidth(), window.getHeight() }))
        lastFitting = window.getBounds();
    else
        // Not from inside JUCE's handling of the window's new bounds.
        triggerAsyncUpdate();
}

void WindowLimitsKeeper::handleAsyncUpdate()
{
    const auto bounds = window.getBounds();

    if (isMinimisedOrKiosk() || BorderBoundsConstrainer::fits (constrainer, { bounds.getWidth(), bounds.getHeight() }))
        return;

    // A window manager that maximises or fills the screen past the limits holds the window at that size
    // whatever it asks for: the window leaves the state instead, and the window manager gives it back
    // the size it had before.
    if (window.isFullScreen())
    {
        window.setFullScreen (false);
        return;
    }

    if (auto* peer = window.getPeer(); peer != nullptr && leaveSizingStates (*peer))
        return;

    const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (bounds);
    const auto screenArea = display != nullptr ? display->userArea : juce::Rectangle<int>();

    // The frame the constrainer takes off, so the limits bind the content as they do for JUCE's own
    // resizes while that frame is the window's.
    window.setBounds (bringBack (constrainer, bounds, lastFitting, constrainer.frameBorder, screenArea));
}

bool WindowLimitsKeeper::isMinimisedOrKiosk() const
{
    return window.isMinimised() || window.isKioskMode();
}
