// Look-and-feel of the panel's vertical faders: each fader is drawn as its thumb image only.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class OxvSliderLookAndFeel : public juce::LookAndFeel_V4
{
public:
    OxvSliderLookAndFeel() = default;
    ~OxvSliderLookAndFeel() override;

    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos, float minSliderPos,
                           float maxSliderPos, const juce::Slider::SliderStyle, juce::Slider&) override;

    void drawLinearSliderThumb (juce::Graphics&, int x, int y, int width, int height, float sliderPos, float minSliderPos,
                                float maxSliderPos, const juce::Slider::SliderStyle, juce::Slider&) override;

    int getSliderThumbRadius (juce::Slider&) override;

    // Loads the unscaled thumbs (normal PNG, highlighted PNG, each with its byte length) and sets the
    // thumb's design size. The scaled thumbs are left to the owning fader group's layout.
    void setImagPathAndSize (const char* normalData, int normalSize, const char* highlightedData, int highlightedSize,
                             int designWidth, int designHeight);

    // Scaled thumbs, written by the fader group at every layout and on link changes. All three
    // always share one size, so the height of thumbCurrent serves whichever is drawn.
    juce::Image thumbHighlighted;
    juce::Image thumbCurrent;
    juce::Image thumbNormal;

    // Unscaled sources.
    juce::Image thumbHighlightedSource;
    juce::Image thumbCurrentSource;
    juce::Image thumbNormalSource;

    // Thumb size in design pixels of the 380 by 290 background.
    int thumbWidth = 0;
    int thumbHeight = 0;

    // Whether the group draws the red centre line on the highlighted thumb.
    bool drawCentreLine = true;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OxvSliderLookAndFeel)
};
