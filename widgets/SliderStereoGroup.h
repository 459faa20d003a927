// A pair of vertical dB faders (left and right channel) that move as a linked pair while the pointer
// rests between them, and report every change to their owner as text action messages.
#pragma once

#include "SliderLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

// Rectangle in design pixels of the 380 by 290 panel background. Note the field order.
struct DesignRect
{
    int height = 0;
    int width = 0;
    int x = 0;
    int y = 0;
};

// Fader bounds in the group's own coordinates. Note the field order.
struct SliderRect
{
    int x = 0;
    int y = 0;
    int height = 0;
    int width = 0;
};

class SliderStereoGroup : public juce::Component,
                          public juce::Slider::Listener,
                          public juce::Timer,
                          public juce::ActionBroadcaster
{
public:
    // The int is not used; kept so that every construction of a group reads the same.
    SliderStereoGroup (juce::String name, int);
    ~SliderStereoGroup() override;

    void mouseMove (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;
    void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;
    void paint (juce::Graphics&) override;
    void resized() override;
    void sliderValueChanged (juce::Slider*) override;
    void timerCallback() override;
    void sliderDragStarted (juce::Slider*) override;

    // Range, interval 0.25, no text box, value 0 and the look-and-feel on both faders. The three
    // unnamed doubles are not read.
    void configSliders (juce::Range<double> range, double, double, double, OxvSliderLookAndFeel& lookAndFeel,
                        juce::Colour background, juce::Colour track);

    // Rescales the fader rectangles and the thumbs; returns the group's bounds in the panel.
    juce::Rectangle<int> getNewPos (double scaleX, double scaleY);

    // Sets both faders silently; posts a level message for each side whose value differs.
    void setLevels (double left, double right);

    void removeLookAndFeel();

    // Geometry written by the panel.
    DesignRect leftDesign;
    DesignRect rightDesign;
    DesignRect groupDesign;
    int groupYOffset = 0;

    juce::Slider leftSlider;
    juce::Slider rightSlider;

private:
    bool inLinkArea = false;
    bool linkedShown = false;
    double doubleClickValue = 0.0;
    juce::Button* linkButton = nullptr;
    juce::String volumeMessage { "volume_update" };
    double leftLevel = 0.0;
    double rightLevel = 0.0;

public:
    // Scaled fader rectangles: preset by the panel, recomputed by getNewPos.
    SliderRect rightSliderRect;
    SliderRect leftSliderRect;

private:
    int linkInset = 0;
    double linkStep = 0.0;
    OxvSliderLookAndFeel* sliderLookAndFeel = nullptr;
    juce::Rectangle<int> linkArea;

    bool isLinked() const;
    void switchLookAndFeel();
    void moveLinkedSliders (int direction);
    void rescaleThumbs (double scaleX, double scaleY);

    // Lets the unit tests read the private state.
    friend struct SliderStereoGroupTestAccess;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SliderStereoGroup)
};
