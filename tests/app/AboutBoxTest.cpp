// The About box: its geometry, text and artwork, the hidden dialog around it, and how its modal state
// ends. (The order in which the panel deletes content and dialog is part of the panel's teardown test.)
#include "PanelTestSupport.h"

#include "OXVBinaryData.h"

using namespace panel_tests;

namespace
{
    juce::Image render (juce::Component& c)
    {
        juce::Image canvas (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
        juce::Graphics g (canvas);
        c.paint (g);
        return canvas;
    }
}

using AboutBoxTest = PanelTest;

TEST_F (AboutBoxTest, BoxButtonAndLinkAreaSitWhereTheArtworkHasThem)
{
    auto& box = *panel->aboutWindow;
    EXPECT_EQ (box.getBounds(), juce::Rectangle<int> (0, 0, 528, 212));
    EXPECT_EQ (box.closeButton->getBounds(), juce::Rectangle<int> (116, 171, 48, 17));
    EXPECT_EQ (box.webLink->getBounds(), juce::Rectangle<int> (67, 143, 140, 16));
    EXPECT_EQ (box.closeButton->getParentComponent(), &box);
    EXPECT_EQ (box.webLink->getParentComponent(), &box);
    EXPECT_TRUE (box.closeButton->isVisible());
    EXPECT_TRUE (box.webLink->isVisible());

    EXPECT_TRUE (box.closeButton->getName().isEmpty());
    EXPECT_TRUE (box.webLink->getButtonText().isEmpty());
    EXPECT_EQ (box.webLink->getURL().toString (false), juce::String (TOLVA_PRODUCT_URL));

    const auto closeNormal =
        juce::ImageCache::getFromMemory (OXVBIN::imageAboutCloseNormal, OXVBIN::imageAboutCloseNormalSize);
    const auto closeDown = juce::ImageCache::getFromMemory (OXVBIN::imageAboutCloseDown, OXVBIN::imageAboutCloseDownSize);
    EXPECT_EQ (box.closeButton->getNormalImage().getBounds(), closeNormal.getBounds());
    EXPECT_EQ (box.closeButton->getDownImage().getPixelAt (10, 8), closeDown.getPixelAt (10, 8));
    EXPECT_EQ (box.closeButton->getOverImage().getPixelAt (10, 8), closeDown.getPixelAt (10, 8));
}

TEST_F (AboutBoxTest, TextNamesTheProductAndTheBuildsVersionWithoutAnApplication)
{
    ASSERT_EQ (juce::JUCEApplication::getInstance(), nullptr);
    EXPECT_EQ (panel->aboutWindow->aboutText, "Tolva USB v2.0.0.0");
    EXPECT_EQ (panel->aboutWindow->textPosition, juce::Point<int> (285, 181));
}

TEST_F (AboutBoxTest, TextTakesTheRunningApplicationsVersion)
{
    panel.reset();
    StandInApplication app;
    panel = std::make_unique<MainComponent>();
    EXPECT_EQ (panel->aboutWindow->aboutText, "Tolva USB v9.8.7");
    panel.reset();
}

TEST_F (AboutBoxTest, PaintShowsTheArtworkWithTheTextInItsBoxOnly)
{
    auto& box = *panel->aboutWindow;
    const auto logo = juce::ImageCache::getFromMemory (OXVBIN::imageAboutBackground, OXVBIN::imageAboutBackgroundSize);
    ASSERT_EQ (logo.getBounds(), juce::Rectangle<int> (0, 0, 528, 212));

    const auto withText = render (box);
    const auto savedText = box.aboutText;
    box.aboutText = {};
    const auto withoutText = render (box);
    box.aboutText = savedText;

    // Without text the box is the artwork (over a grey frame that the artwork covers where opaque).
    for (int y = 1; y < 211; y += 7)
        for (int x = 1; x < 527; x += 5)
            ASSERT_EQ (withoutText.getPixelAt (x, y), logo.getPixelAt (x, y)) << x << "," << y;

    // The text changes pixels inside its 200 by 20 box (give or take the glyphs' edge smoothing) and
    // nowhere else.
    const auto textBox = juce::Rectangle<int> (285, 181, 200, 20).expanded (2);
    int changedInside = 0;
    for (int y = 0; y < 212; ++y)
        for (int x = 0; x < 528; ++x)
            if (withText.getPixelAt (x, y) != withoutText.getPixelAt (x, y))
            {
                ASSERT_TRUE (textBox.contains (x, y)) << x << "," << y;
                ++changedInside;
            }
    EXPECT_GT (changedInside, 20);
}

TEST_F (AboutBoxTest, DialogIsBuiltHiddenAroundTheBox)
{
    auto& dialog = *panel->aboutDialog;
    EXPECT_EQ (dialog.getName(), "About Tolva USB");
    EXPECT_EQ (dialog.getContentComponent(), panel->aboutWindow.get());
    EXPECT_FALSE (dialog.isVisible());
    EXPECT_FALSE (dialog.isResizable());
    EXPECT_TRUE (dialog.isUsingNativeTitleBar());
    EXPECT_EQ (dialog.getBackgroundColour(), juce::Colours::lightgrey);
    // The window is exactly the artwork: the native title bar lies outside it.
    EXPECT_EQ (dialog.getLocalBounds(), juce::Rectangle<int> (0, 0, 528, 212));
}

TEST_F (AboutBoxTest, CloseButtonEndsTheModalLoopAndOtherButtonsDoNothing)
{
    auto& dialog = *panel->aboutDialog;
    auto& box = *panel->aboutWindow;
    juce::TextButton other;
    bool stillModalAfterOther = false;

    WhenModal closer (dialog,
                      [&]
                      {
        box.buttonClicked (&other);
        stillModalAfterOther = dialog.isCurrentlyModal();
        box.closeButton->triggerClick();
    });

    dialog.runModalLoop();

    EXPECT_TRUE (closer.acted);
    EXPECT_FALSE (closer.forcedExit);
    EXPECT_TRUE (stillModalAfterOther);
    EXPECT_FALSE (dialog.isCurrentlyModal());
}

TEST_F (AboutBoxTest, EscapeEndsTheModalLoopAndHidesTheBox)
{
    auto& dialog = *panel->aboutDialog;
    WhenModal escaper (
        dialog, [&] { static_cast<juce::Component&> (dialog).keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)); });

    dialog.runModalLoop();

    EXPECT_TRUE (escaper.acted);
    EXPECT_FALSE (escaper.forcedExit);
    EXPECT_FALSE (dialog.isVisible());
}

TEST_F (AboutBoxTest, CloseClickOutsideADialogDoesNothing)
{
    juce::Component holder;
    AboutWindow loose ("Tolva USB v2.0.0.0");
    holder.addAndMakeVisible (loose);
    holder.enterModalState (false);

    loose.buttonClicked (loose.closeButton.get());

    EXPECT_TRUE (holder.isCurrentlyModal());
    holder.exitModalState (0);
    runPosted();
}
