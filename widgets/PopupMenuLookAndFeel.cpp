#include "PopupMenuLookAndFeel.h"

#include <cmath>

PopupMenuLookandFeel::~PopupMenuLookandFeel() = default;

void PopupMenuLookandFeel::drawMenuBarBackground (juce::Graphics& g, int width, int height, bool, juce::MenuBarComponent&)
{
    g.setColour (juce::Colours::lightgrey);
    g.fillRect (0, 0, width, height);
}

int PopupMenuLookandFeel::getMenuBarItemWidth (juce::MenuBarComponent& bar, int itemIndex, const juce::String& itemText)
{
    const auto font = getMenuBarFont (bar, itemIndex, itemText);
    return static_cast<int> (std::ceil (font.getStringWidthFloat (itemText))) + 20;
}

void PopupMenuLookandFeel::drawMenuBarItem (juce::Graphics& g, int width, int height, int, const juce::String& itemText,
                                            bool, bool, bool, juce::MenuBarComponent&)
{
    // The graphics context's current font, on purpose: no highlight and no font of its own.
    g.setColour (juce::Colours::black);
    g.drawText (itemText, juce::Rectangle<float> (0.0f, 0.0f, static_cast<float> (width), static_cast<float> (height)),
                juce::Justification::centred, false);
}
