#include "AboutWindow.h"

#include "OXVBinaryData.h"

#ifndef TOLVA_PRODUCT_URL
 #error "TOLVA_PRODUCT_URL (the maker's product page) comes from the build settings"
#endif

namespace
{
    const juce::Point<int> aboutTextPosition { 285, 181 };
    const juce::Point<int> closeButtonPosition { 116, 171 };
    const juce::Rectangle<int> webLinkBounds { 67, 143, 140, 16 };

    juce::Image loadImage (const char* data, int size)
    {
        return juce::ImageCache::getFromMemory (data, size);
    }

    void setUpCloseButton (AboutWindow& box)
    {
        auto& button = *box.closeButton;
        const auto normal = loadImage (OXVBIN::imageAboutCloseNormal, OXVBIN::imageAboutCloseNormalSize);
        const auto down = loadImage (OXVBIN::imageAboutCloseDown, OXVBIN::imageAboutCloseDownSize);

        button.setImages (true, true, true, normal, 1.0f, juce::Colours::transparentWhite, down, 1.0f,
                          juce::Colours::transparentWhite, down, 1.0f, juce::Colours::transparentBlack, 0.0f);
        button.setSize (normal.getWidth(), normal.getHeight());
        button.setTopLeftPosition (closeButtonPosition);
        button.addListener (&box);
        box.addAndMakeVisible (button);
    }

    // No text, so the link draws nothing: the artwork shows the address, the button makes it clickable.
    // Its address, the maker's page, was given at creation.
    void setUpWebLink (AboutWindow& box)
    {
        auto& link = *box.webLink;
        link.setSize (webLinkBounds.getWidth(), webLinkBounds.getHeight());
        link.setTopLeftPosition (webLinkBounds.getPosition());
        box.addAndMakeVisible (link);
    }
}

AboutWindow::AboutWindow (const juce::String& text)
{
    closeButton.reset (new juce::ImageButton (juce::String()));
    // The address goes in with the button: HyperlinkButton::setURL copies a URL, and JUCE's copy of
    // its empty post data passes null to memcpy, which the sanitizer builds reject.
    webLink.reset (new juce::HyperlinkButton ({}, juce::URL (TOLVA_PRODUCT_URL)));
    aboutText = text;
    textPosition = aboutTextPosition;
}

AboutWindow::~AboutWindow()
{
    closeButton->removeListener (this);
    closeButton.reset();
    webLink.reset();
}

void AboutWindow::paint (juce::Graphics& g)
{
    g.setColour (juce::Colours::grey);
    g.drawRect (getLocalBounds().toFloat(), 1.0f);

    if (logo.isValid())
        g.drawImageAt (logo, 0, 0);

    g.drawFittedText (aboutText, textPosition.x, textPosition.y, 200, 20, juce::Justification::left, 1);
}

void AboutWindow::buttonClicked (juce::Button* b)
{
    if (b != closeButton.get())
        return;

    if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
        dialog->exitModalState (0);
}

juce::String aboutBoxText()
{
    auto* app = juce::JUCEApplication::getInstance();
    const auto version = app != nullptr ? app->getApplicationVersion() : juce::String (JUCE_APPLICATION_VERSION_STRING);
    return juce::String ("Tolva USB") + " v" + version;
}

namespace
{
    // The dialog that LaunchOptions::create builds, built off the desktop: on X11 JUCE shows a desktop
    // window each time it rebuilds it for the native title bar, hidden or not, so the box would flash
    // on screen at every start.
    class HiddenDialogWindow : public juce::DialogWindow
    {
    public:
        explicit HiddenDialogWindow (juce::DialogWindow::LaunchOptions& options)
            : juce::DialogWindow (options.dialogTitle, options.dialogBackgroundColour, options.escapeKeyTriggersCloseButton, false)
        {
            setContentOwned (options.content.release(), true);
            centreAroundComponent (options.componentToCentreAround, getWidth(), getHeight());
            setResizable (options.resizable, options.useBottomRightCornerResizer);
            setUsingNativeTitleBar (options.useNativeTitleBar);
        }

        void closeButtonPressed() override { setVisible (false); }
    };
}

void createAboutBox (std::unique_ptr<AboutWindow>& aboutWindow, std::unique_ptr<juce::DialogWindow>& aboutDialog)
{
    aboutWindow.reset (new AboutWindow (aboutBoxText()));
    auto& box = *aboutWindow;

    box.logo = loadImage (OXVBIN::imageAboutBackground, OXVBIN::imageAboutBackgroundSize);
    box.setSize (box.logo.getWidth(), box.logo.getHeight());
    const auto designSize = box.getBounds();

    setUpCloseButton (box);
    setUpWebLink (box);

    juce::DialogWindow::LaunchOptions options;
    options.dialogTitle = "About Tolva USB";
    options.content.setOwned (&box);
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = true;
    options.resizable = false;
    aboutDialog = std::make_unique<HiddenDialogWindow> (options);

    // The dialog fits itself around the box with JUCE's own title bar and border before it switches to
    // the native title bar, which leaves the window (and with it the box) that much larger than the
    // artwork. Fit it to the artwork again.
    if (! designSize.isEmpty())
        aboutDialog->setContentComponentSize (designSize.getWidth(), designSize.getHeight());

    // Ready for the About action, still hidden.
    aboutDialog->addToDesktop();
}
