// The About box: name and version over the About artwork, an image close button that ends the box's
// modal state, and an invisible link area over the maker's address in the artwork.
#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

#include <memory>

class AboutWindow : public juce::Component,
                    public juce::Button::Listener
{
public:
    explicit AboutWindow (const juce::String& text);
    ~AboutWindow() override;

    void paint (juce::Graphics& g) override;
    void buttonClicked (juce::Button* b) override;

    // Written by createAboutBox, which gives the box its artwork, button images and link.
    juce::String aboutText;
    juce::Point<int> textPosition;
    juce::Image logo;
    std::unique_ptr<juce::ImageButton> closeButton;
    std::unique_ptr<juce::HyperlinkButton> webLink;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutWindow)
};

// "Tolva USB v" and the running application's version (the build's version when no application
// object exists, as in tests).
juce::String aboutBoxText();

// Builds the hidden About box: the content into aboutWindow, then the dialog that shows it into
// aboutDialog. Both hold the content; the dialog's hold ends when the content is deleted, so
// aboutWindow must be deleted before aboutDialog.
void createAboutBox (std::unique_ptr<AboutWindow>& aboutWindow, std::unique_ptr<juce::DialogWindow>& aboutDialog);
