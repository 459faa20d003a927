#include "OXVBorderBoundsConstrainer.h"

void BorderBoundsConstrainer::checkBounds (juce::Rectangle<int>& bounds, const juce::Rectangle<int>& previousBounds,
                                           const juce::Rectangle<int>& limits, bool isStretchingTop,
                                           bool isStretchingLeft, bool isStretchingBottom, bool isStretchingRight)
{
    const auto requestedPosition = bounds.getPosition();

    auto inner = frameBorder.subtractedFrom (bounds);
    inner.removeFromTop (topStrip);

    juce::ComponentBoundsConstrainer::checkBounds (inner, previousBounds, limits, isStretchingTop, isStretchingLeft,
                                                   isStretchingBottom, isStretchingRight);

    const auto width = inner.getWidth() + frameBorder.getLeftAndRight();
    const auto height = inner.getHeight() + topStrip + frameBorder.getTopAndBottom();

    // A move keeps the requested place; a drag on an edge keeps the previous centre, each term halved
    // on its own.
    const bool isStretching = isStretchingTop || isStretchingLeft || isStretchingBottom || isStretchingRight;
    const auto position = isStretching
                              ? juce::Point<int> (previousBounds.getX() + previousBounds.getWidth() / 2 - width / 2,
                                                  previousBounds.getY() + previousBounds.getHeight() / 2 - height / 2)
                              : requestedPosition;

    bounds = { position.x, position.y, width, height };
}
