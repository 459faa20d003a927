// The dB read-outs under the faders: the text each shows and when it follows a fader.
#include "MainComponent.h"

#include <cmath>

namespace
{
    // Read-outs keep a steady width: at least 8 characters, never cut.
    juce::String readoutText (double value, int significantFigures)
    {
        return (juce::String::toDecimalStringWithSignificantFigures (value, significantFigures) + " dB").paddedRight (' ', 8);
    }

    // A third figure from 10 dB on, so that -12.5 does not read -13.
    int figuresForMagnitude (double value)
    {
        return std::abs (value) >= 10.0 ? 3 : 2;
    }

    juce::String magnitudeReadout (double value)
    {
        return readoutText (value, figuresForMagnitude (value));
    }
}

// Each group shows one read-out, its left label, which follows whichever fader moved last.
void MainComponent::sliderValueChanged (juce::Slider* slider)
{
    const auto text = magnitudeReadout (slider->getValue());

    if (slider == &sliderGroupIn->leftSlider || slider == &sliderGroupIn->rightSlider)
        labelDbInLeft->setText (text, juce::dontSendNotification);
    else if (slider == &sliderGroupOut->leftSlider || slider == &sliderGroupOut->rightSlider)
        labelDbOutLeft->setText (text, juce::dontSendNotification);
}

void MainComponent::setLevelLabels()
{
    // The groups are enabled only while a device is attached.
    if (! sliderGroupIn->isEnabled() || ! sliderGroupOut->isEnabled())
        return;

    labelDbInLeft->setText (magnitudeReadout (sliderGroupIn->leftSlider.getValue()), juce::dontSendNotification);
    labelDbInRight->setText (magnitudeReadout (sliderGroupIn->rightSlider.getValue()), juce::dontSendNotification);

    labelDbOutLeft->setText (readoutText (sliderGroupOut->leftSlider.getValue(), 2), juce::dontSendNotification);
    labelDbOutRight->setText (readoutText (sliderGroupOut->rightSlider.getValue(), 2), juce::dontSendNotification);
}
