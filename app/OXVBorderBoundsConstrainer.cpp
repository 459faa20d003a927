#include "OXVBorderBoundsConstrainer.h"

#include <cmath>

double BorderBoundsConstrainer::ratioTolerance (const juce::ComponentBoundsConstrainer& c)
{
    // A height rounded from a width lies at most half a pixel from the ratio's: w / (h - 0.5) at most.
    return c.getFixedAspectRatio() / (2.0 * juce::jmax (1, c.getMinimumHeight()) - 1.0);
}

bool BorderBoundsConstrainer::fits (const juce::ComponentBoundsConstrainer& c, juce::Point<int> size)
{
    if (size.x < c.getMinimumWidth() || size.x > c.getMaximumWidth() || size.y < c.getMinimumHeight()
        || size.y > c.getMaximumHeight())
        return false;

    const auto ratio = c.getFixedAspectRatio();
    if (ratio <= 0.0)
        return true;

    // A window manager told the range may still round one side by a pixel on its way into it.
    const auto lowest = ratio - ratioTolerance (c), highest = ratio + ratioTolerance (c);
    const auto reaches = [&] (double smallest, double largest) { return smallest <= highest && largest >= lowest; };
    const double w = size.x, h = size.y;
    return reaches ((w - 1.0) / h, (w + 1.0) / h) || reaches (w / (h + 1.0), h > 1.0 ? w / (h - 1.0) : w);
}

void BorderBoundsConstrainer::checkBounds (juce::Rectangle<int>& bounds, const juce::Rectangle<int>& previousBounds,
                                           const juce::Rectangle<int>& limits, bool isStretchingTop,
                                           bool isStretchingLeft, bool isStretchingBottom, bool isStretchingRight)
{
    const auto requestedPosition = bounds.getPosition();

    auto inner = frameBorder.subtractedFrom (bounds);
    inner.removeFromTop (topStrip);

    // Bounds set without a drag keep a size that already fits: the base would round it again from
    // whichever side the previous bounds favour (the design size, when a stored state is restored), and
    // a window manager would round that once more, a pixel lost at every start.
    const bool isStretching = isStretchingTop || isStretchingLeft || isStretchingBottom || isStretchingRight;
    if (isStretching || ! fits (*this, { inner.getWidth(), inner.getHeight() }))
        juce::ComponentBoundsConstrainer::checkBounds (inner, previousBounds, limits, isStretchingTop, isStretchingLeft,
                                                       isStretchingBottom, isStretchingRight);

    const auto width = inner.getWidth() + frameBorder.getLeftAndRight();
    const auto height = inner.getHeight() + topStrip + frameBorder.getTopAndBottom();

    // A move keeps the requested place; a drag on an edge keeps the previous centre, each term halved
    // on its own.
    const auto position = isStretching
                              ? juce::Point<int> (previousBounds.getX() + previousBounds.getWidth() / 2 - width / 2,
                                                  previousBounds.getY() + previousBounds.getHeight() / 2 - height / 2)
                              : requestedPosition;

    bounds = { position.x, position.y, width, height };
}
