#include "LevelMeter2.h"

#include <cmath>

LevelMeter2::LevelMeter2()
{
    setSize (110, 110);
    startTimer (60);
}

LevelMeter2::~LevelMeter2()
{
    delete levelSource;
}

std::int64_t LevelMeter2::targetForRaw (std::int8_t raw)
{
    // Raw levels run 0 to 127; a negative one (outside the device's range) reads as 0, which keeps
    // the logarithm defined. 123 and above saturate the scale.
    const int c = juce::jlimit (0, 123, static_cast<int> (raw)) + 1;
    return static_cast<std::int64_t> (std::log (static_cast<float> (c)) * 26.33745f);
}

void LevelMeter2::timerCallback()
{
    if (levelSource == nullptr)
        return;

    const auto target = targetForRaw (*levelSource);

    // Rise at once to a new peak, fall back slowly.
    if (displayLevel <= target)
        displayLevel = target;
    else
        displayLevel -= (displayLevel < 3 ? 1 : 2);

    repaint();
}

static juce::Image scaledTo (const juce::Image& source, int width, int height)
{
    if (! source.isValid() || width <= 0 || height <= 0)
        return {};

    return source.rescaled (width, height, juce::Graphics::highResamplingQuality);
}

void LevelMeter2::resized()
{
    litImage = scaledTo (litSource, getWidth(), getHeight());
    backImage = scaledTo (backSource, getWidth(), getHeight());
}

void LevelMeter2::paint (juce::Graphics& g)
{
    const int h = litImage.getHeight();
    cutY = static_cast<int> (h - (displayLevel * h) / 128);

    if (backImage.isValid())
        g.drawImageAt (backImage, 0, 0);

    if (litImage.isValid())
    {
        const auto lit = litImage.getClippedImage ({ 0, cutY, litImage.getWidth(), h - cutY });

        if (lit.isValid())
            g.drawImageAt (lit, 0, cutY);
    }
}
