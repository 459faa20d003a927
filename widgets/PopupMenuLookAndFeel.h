// Light in-window menu-bar look: grey bar, black centred item names, no highlight.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class PopupMenuLookandFeel : public juce::LookAndFeel_V4
{
public:
    PopupMenuLookandFeel() = default;
    ~PopupMenuLookandFeel() override;

    void drawMenuBarBackground (juce::Graphics&, int width, int height, bool isMouseOverBar, juce::MenuBarComponent&) override;

    int getMenuBarItemWidth (juce::MenuBarComponent&, int itemIndex, const juce::String& itemText) override;

    void drawMenuBarItem (juce::Graphics&, int width, int height, int itemIndex, const juce::String& itemText,
                          bool isMouseOverItem, bool isMenuOpen, bool isMouseOverBar, juce::MenuBarComponent&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PopupMenuLookandFeel)
};
