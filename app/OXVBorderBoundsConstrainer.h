// Keeps the main window's content area, the part inside the native frame, within its size limits and
// aspect ratio, and makes a user's resize grow or shrink the window about its previous centre.
//
// Pixels are whole, so most sizes can only come near the ratio: at the smallest height the nearest one
// lies up to half a pixel off it. The window manager is told that range of ratios, so it leaves every
// size the window asks for as it is; a size within a pixel of the range (where a window manager rounds
// one side) counts as at the ratio, so that the window never rounds again a size already settled.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class BorderBoundsConstrainer : public juce::ComponentBoundsConstrainer
{
public:
    BorderBoundsConstrainer() = default;
    ~BorderBoundsConstrainer() override = default;

    // JUCE hands over the window's outer bounds, frame included: the frame comes off before the base's
    // limits and ratio are applied and goes back on afterwards.
    void checkBounds (juce::Rectangle<int>& bounds, const juce::Rectangle<int>& previousBounds,
                      const juce::Rectangle<int>& limits, bool isStretchingTop, bool isStretchingLeft,
                      bool isStretchingBottom, bool isStretchingRight) override;

    // How far the width-to-height ratio of a size rounded to the fixed ratio may lie from it: half a pixel
    // of height at the smallest height the limits allow. 0 without a fixed ratio.
    static double ratioTolerance (const juce::ComponentBoundsConstrainer& constrainer);
    // Whether a content size lies within the limits and at the ratio, as the window counts it.
    static bool fits (const juce::ComponentBoundsConstrainer& constrainer, juce::Point<int> size);

    // The native frame on each side, taken once by the owner when the window is built.
    juce::BorderSize<int> frameBorder;
    // Height of a strip at the top of the content area that the limits and the ratio leave out.
    int topStrip = 0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BorderBoundsConstrainer)
};
