// Keeps the main window's content area, the part inside the native frame, within its size limits and
// aspect ratio, and makes a user's resize grow or shrink the window about its previous centre.
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

    // The native frame on each side, taken once by the owner when the window is built.
    juce::BorderSize<int> frameBorder;
    // Height of a strip at the top of the content area that the limits and the ratio leave out.
    int topStrip = 0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BorderBoundsConstrainer)
};
