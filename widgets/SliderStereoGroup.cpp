#include "SliderStereoGroup.h"

namespace
{
    // Every float-to-int conversion of the layout: nearest, ties to even.
    int rnd (double value)
    {
        return juce::roundToInt (value);
    }

    // A size scaled as the difference of its scaled edges, converted once.
    int scaledSize (int size, int origin, double scale)
    {
        return rnd ((size + origin) * scale - origin * scale);
    }
}

SliderStereoGroup::SliderStereoGroup (juce::String name, int)
{
    setName (name);
    leftSlider.setName ("Left");
    rightSlider.setName ("Right");

    leftSlider.addListener (this);
    rightSlider.addListener (this);

    leftDesign = {};
    rightDesign = {};
    groupDesign = {};

    addAndMakeVisible (leftSlider);
    addAndMakeVisible (rightSlider);

    for (auto* slider : { &leftSlider, &rightSlider })
    {
        slider->setScrollWheelEnabled (true);
        slider->setSliderSnapsToMousePosition (false);
    }

    inLinkArea = false;
    linkedShown = false;
    linkButton = nullptr;
    linkInset = 0;
    volumeMessage = "volume_update";

    // The link poll runs for the group's whole life, hidden or not.
    startTimer (200);
}

SliderStereoGroup::~SliderStereoGroup()
{
    leftSlider.setLookAndFeel (nullptr);
    rightSlider.setLookAndFeel (nullptr);
}

void SliderStereoGroup::configSliders (juce::Range<double> range, double, double, double,
                                       OxvSliderLookAndFeel& lookAndFeel, juce::Colour background, juce::Colour track)
{
    for (auto* slider : { &leftSlider, &rightSlider })
    {
        slider->setColour (juce::Slider::backgroundColourId, background);
        slider->setColour (juce::Slider::trackColourId, track);
        slider->setSliderStyle (juce::Slider::LinearVertical);
        slider->setRange (range, 0.25);
        slider->setTextBoxStyle (juce::Slider::NoTextBox, false, 1, 1);
        slider->setValue (0.0, juce::dontSendNotification);

        (slider == &leftSlider ? leftLevel : rightLevel) = 0.0;
        slider->setLookAndFeel (&lookAndFeel);
    }

    doubleClickValue = 0.0;
    sliderLookAndFeel = &lookAndFeel;
}

juce::Rectangle<int> SliderStereoGroup::getNewPos (double scaleX, double scaleY)
{
    const auto& l = leftDesign;
    const int h = scaledSize (l.height, l.y, scaleY);

    // A fader that scales to nothing keeps the previous geometry and thumbs.
    if (h != 0)
    {
        const int w = scaledSize (l.width, l.x, scaleX);
        const int y = rnd (l.y * scaleY);

        leftSliderRect = { rnd (l.x * scaleX), y, h, w };
        rightSliderRect = { rnd (rightDesign.x * scaleX), y, h, w };

        rescaleThumbs (scaleX, scaleY);
    }

    const auto& g = groupDesign;
    return { rnd (g.x * scaleX), rnd (g.y * scaleY) + groupYOffset, scaledSize (g.width, g.x, scaleX),
             scaledSize (g.height, g.y, scaleY) };
}

void SliderStereoGroup::rescaleThumbs (double scaleX, double scaleY)
{
    if (sliderLookAndFeel == nullptr)
        return;

    auto& laf = *sliderLookAndFeel;
    const int tw = rnd (laf.thumbWidth * scaleX);
    const int th = rnd (laf.thumbHeight * scaleY);
    const auto quality = juce::Graphics::highResamplingQuality;

    laf.thumbCurrent = laf.thumbCurrentSource.rescaled (tw, th, quality);
    laf.thumbNormal = laf.thumbNormalSource.rescaled (tw, th, quality);

    // rescaled() hands back the source itself when the size is unchanged; the centre line must never
    // reach the cached source, so that image is copied first.
    auto highlighted = laf.thumbHighlightedSource.rescaled (tw, th, quality);
    if (highlighted == laf.thumbHighlightedSource)
        highlighted = highlighted.createCopy();
    laf.thumbHighlighted = highlighted;

    if (! highlighted.isValid())
        return;

    juce::Graphics g (highlighted);
    g.setColour (juce::Colours::red);

    if (laf.drawCentreLine)
    {
        const auto w = static_cast<float> (highlighted.getWidth());
        const auto middle = static_cast<float> (highlighted.getHeight() * 0.5);
        g.drawLine (1.0f, middle, w - 1.0f, middle, 0.5f);
    }
}

void SliderStereoGroup::resized()
{
    leftSlider.setBounds (leftSliderRect.x, leftSliderRect.y, leftSliderRect.width, leftSliderRect.height);
    rightSlider.setBounds (rightSliderRect.x, leftSliderRect.y, leftSliderRect.width, leftSliderRect.height);

    // The link area: from the left fader's centre column up to the right fader's.
    const int centreLeft = leftSlider.getX() + leftSlider.getWidth() / 2;
    const int centreRight = rightSlider.getX() + rightSlider.getWidth() / 2;
    linkArea = { centreLeft + linkInset, rightSlider.getY() - linkInset, centreRight - centreLeft - linkInset,
                 leftSlider.getHeight() };

    // Pixels that half a decibel spans at 0 dB, later applied as a change of value.
    const float stepPixels = rightSlider.getPositionOfValue (0.0) - rightSlider.getPositionOfValue (0.5);
    linkStep = static_cast<double> (stepPixels);
}

void SliderStereoGroup::paint (juce::Graphics&)
{
    // The faders draw themselves over the panel's background.
}

bool SliderStereoGroup::isLinked() const
{
    return linkButton != nullptr ? linkButton->getToggleState() : inLinkArea;
}

void SliderStereoGroup::timerCallback()
{
    // While a button is held the link state of the press holds for the whole drag.
    if (! juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown())
        inLinkArea = linkArea.contains (getMouseXYRelative());

    switchLookAndFeel();
}

void SliderStereoGroup::switchLookAndFeel()
{
    const bool linked = isLinked();

    if (linked == linkedShown)
        return;

    linkedShown = linked;

    if (sliderLookAndFeel != nullptr)
        sliderLookAndFeel->thumbCurrent = linked ? sliderLookAndFeel->thumbHighlighted : sliderLookAndFeel->thumbNormal;

    leftSlider.lookAndFeelChanged();
    rightSlider.lookAndFeelChanged();
}

void SliderStereoGroup::mouseMove (const juce::MouseEvent& e)
{
    inLinkArea = linkArea.contains (e.x, e.y);
}

void SliderStereoGroup::mouseDown (const juce::MouseEvent& e)
{
    inLinkArea = linkArea.contains (e.x, e.y);
}

void SliderStereoGroup::mouseDrag (const juce::MouseEvent& e)
{
    if (! isLinked())
        return;

    // One step per drag event, in the direction of the pointer relative to the press point.
    const int d = rnd (static_cast<double> (e.position.y - e.mouseDownPosition.y));

    if (d > 0)
        moveLinkedSliders (1);
    else if (d < 0)
        moveLinkedSliders (-1);
}

void SliderStereoGroup::mouseUp (const juce::MouseEvent&)
{}

void SliderStereoGroup::mouseDoubleClick (const juce::MouseEvent&)
{
    leftSlider.setValue (doubleClickValue, juce::dontSendNotification);
    rightSlider.setValue (doubleClickValue, juce::dontSendNotification);

    rightLevel = rightSlider.getValue();
    leftLevel = leftSlider.getValue();

    sendActionMessage (volumeMessage);
}

void SliderStereoGroup::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    if (wheel.deltaY == 0.0f || ! isLinked())
        return;

    moveLinkedSliders (wheel.deltaY > 0.0f ? 1 : -1);
}

void SliderStereoGroup::moveLinkedSliders (int direction)
{
    // +1 moves both faders down, -1 moves them up; the faders snap and clamp.
    const double delta = direction > 0 ? -linkStep : linkStep;
    const double newLeft = leftSlider.getValue() + delta;
    const double newRight = rightSlider.getValue() + delta;

    rightSlider.setValue (newRight, juce::dontSendNotification);
    leftSlider.setValue (newLeft, juce::dontSendNotification);

    rightLevel = rightSlider.getValue();
    leftLevel = leftSlider.getValue();

    sendActionMessage (volumeMessage + (direction > 0 ? "-" : "+"));
}

void SliderStereoGroup::sliderDragStarted (juce::Slider*)
{
    rightLevel = rightSlider.getValue();
    leftLevel = leftSlider.getValue();
}

void SliderStereoGroup::sliderValueChanged (juce::Slider* slider)
{
    const double value = slider->getValue();

    if (isLinked())
    {
        const bool isLeft = slider == &leftSlider;
        auto& other = isLeft ? rightSlider : leftSlider;
        const double stored = isLeft ? leftLevel : rightLevel;

        // The partner follows by the increment since the levels were last stored.
        other.setValue (other.getValue() + (value - stored), juce::dontSendNotification);
    }

    rightLevel = rightSlider.getValue();
    leftLevel = leftSlider.getValue();

    sendActionMessage (volumeMessage);
}

void SliderStereoGroup::setLevels (double left, double right)
{
    // Posted before the faders are set; delivery is asynchronous, so the receiver sees the new values.
    if (leftSlider.getValue() != left)
        sendActionMessage (volumeMessage + leftSlider.getName() + getName());

    if (rightSlider.getValue() != right)
        sendActionMessage (volumeMessage + rightSlider.getName() + getName());

    leftLevel = left;
    rightLevel = right;

    leftSlider.setValue (left, juce::dontSendNotification);
    rightSlider.setValue (right, juce::dontSendNotification);
}

void SliderStereoGroup::removeLookAndFeel()
{
    leftSlider.setLookAndFeel (nullptr);
    rightSlider.setLookAndFeel (nullptr);
}
