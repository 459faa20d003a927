#include "SliderLookAndFeel.h"

OxvSliderLookAndFeel::~OxvSliderLookAndFeel() = default;

void OxvSliderLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                             float minSliderPos, float maxSliderPos,
                                             const juce::Slider::SliderStyle style, juce::Slider& slider)
{
    // No track and no background: the panel's own artwork shows around the thumb.
    drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
}

void OxvSliderLookAndFeel::drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                                  float sliderPos, float minSliderPos, float maxSliderPos,
                                                  const juce::Slider::SliderStyle style, juce::Slider& slider)
{
    const bool highlighted = slider.isEnabled() && (slider.isMouseOverOrDragging (false) || slider.isMouseButtonDown (false));

    if (style == juce::Slider::LinearHorizontal)
        return;

    if (style != juce::Slider::LinearVertical)
    {
        juce::LookAndFeel_V4::drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos,
                                                     style, slider);
        return;
    }

    const auto& image = highlighted ? thumbHighlighted : thumbCurrent;

    // The layout indents the track by the radius, so centring on sliderPos keeps the thumb inside.
    const int half = thumbCurrent.getHeight() / 2;
    const int top = static_cast<int> (sliderPos - static_cast<float> (half));

    if (image.isValid())
        g.drawImageAt (image, x, top);
}

int OxvSliderLookAndFeel::getSliderThumbRadius (juce::Slider&)
{
    return thumbCurrent.getHeight() / 2;
}

void OxvSliderLookAndFeel::setImagPathAndSize (const char* normalData, int normalSize, const char* highlightedData,
                                               int highlightedSize, int designWidth, int designHeight)
{
    thumbCurrentSource = juce::ImageCache::getFromMemory (normalData, normalSize);
    thumbNormalSource = juce::ImageCache::getFromMemory (normalData, normalSize);
    thumbHighlightedSource = juce::ImageCache::getFromMemory (highlightedData, highlightedSize);
    thumbWidth = designWidth;
    thumbHeight = designHeight;
}
