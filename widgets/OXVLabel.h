// Label look that picks the font from the label's width alone: the largest whole height, from 20
// down, at which the reference text fits, so a read-out keeps its size whatever value it shows.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class OXVdBLabelLookAndFeel : public juce::LookAndFeel_V4
{
public:
    OXVdBLabelLookAndFeel();
    ~OXVdBLabelLookAndFeel() override;

    juce::Font getLabelFont (juce::Label&) override;

private:
    // Measuring font: state shared by every label this instance serves, guarded by the message lock.
    juce::Font measureFont;

public:
    // The widest text the labels are expected to show.
    juce::String referenceText;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OXVdBLabelLookAndFeel)
};
