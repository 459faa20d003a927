#include "OXVLabel.h"

namespace
{
    constexpr int largestHeight = 20;

    float limitedHeight (int h)
    {
        return juce::jlimit (0.1f, 10000.0f, static_cast<float> (h));
    }
}

OXVdBLabelLookAndFeel::OXVdBLabelLookAndFeel()
{
    measureFont.setHeight (8.0f);
    referenceText = "-63.5 dB";
}

OXVdBLabelLookAndFeel::~OXVdBLabelLookAndFeel() = default;

juce::Font OXVdBLabelLookAndFeel::getLabelFont (juce::Label& label)
{
    // One instance serves several labels and keeps measureFont as state; the lock serialises it.
    const juce::MessageManagerLock lock (juce::Thread::getCurrentThread());

    if (! lock.lockWasGained())
        return measureFont;

    measureFont.setHeight (static_cast<float> (largestHeight));
    auto textWidth = measureFont.getStringWidthFloat (referenceText);
    const auto labelWidth = static_cast<float> (label.getWidth());

    // Floor: the search stops at h = 0, i.e. at the smallest font height 0.1. A label too narrow
    // for the text even at that height (a width of 0, say) gets 0.1 as well, after 21 measurements.
    int h = largestHeight;

    while (textWidth > labelWidth && h > 0)
    {
        --h;
        measureFont.setHeight (limitedHeight (h));
        textWidth = measureFont.getStringWidthFloat (referenceText);
    }

    return juce::Font (limitedHeight (h));
}
