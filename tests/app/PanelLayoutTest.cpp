// The panel's proportional layout: every child at the design size and at the window's content ratio,
// the single-precision truncating products, the offset below an in-window menu bar, a zero size, the
// background scaled from the embedded artwork and the images of the image buttons.
#include "PanelTestSupport.h"

#include "OXVBinaryData.h"

#include <vector>

using namespace panel_tests;

namespace
{
    using Rect = juce::Rectangle<int>;

    // The children in the order of the layout table.
    const char* const childNames[] { "MuteIn",
                                     "MuteOut",
                                     "Line",
                                     "Mic",
                                     "HIZ",
                                     "MicHIZ",
                                     "44",
                                     "48",
                                     "96",
                                     "buttonToggleMonitoring",
                                     "LINK",
                                     "labelDbInLeft",
                                     "labelDbInRight",
                                     "labelDbOutLeft",
                                     "labelDbOutRight",
                                     "labelSampleRate",
                                     "sampleRatePanelBounds",
                                     "sliderGroupIn",
                                     "sliderGroupOut" };

    std::vector<Rect> childBounds (const MainComponent& p)
    {
        return { p.buttonMuteIn->getBounds(),    p.buttonMuteOut->getBounds(),
                 p.buttonLine->getBounds(),      p.buttonMic->getBounds(),
                 p.buttonHIZ->getBounds(),       p.buttonMicHIZ->getBounds(),
                 p.button44->getBounds(),        p.button48->getBounds(),
                 p.button96->getBounds(),        p.buttonToggleMonitoring->getBounds(),
                 p.buttonLink->getBounds(),      p.labelDbInLeft->getBounds(),
                 p.labelDbInRight->getBounds(),  p.labelDbOutLeft->getBounds(),
                 p.labelDbOutRight->getBounds(), p.labelSampleRate->getBounds(),
                 p.sampleRatePanelBounds,        p.sliderGroupIn->getBounds(),
                 p.sliderGroupOut->getBounds() };
    }

    // Expected bounds in the order of the layout table. The values at 380 by 290 and at 320 by 290 were
    // worked out by hand as single-precision products truncated toward zero.
    const std::vector<Rect> designSize {
        { 92, 256, 39, 23 }, { 202, 256, 39, 23 }, { 17, 68, 49, 25 },  { 17, 97, 49, 23 },   { 17, 125, 49, 23 },
        { 18, 153, 45, 20 }, { 285, 69, 62, 20 },  { 285, 97, 62, 20 }, { 285, 125, 62, 20 }, { 132, 33, 65, 17 },
        { 321, 3, 26, 17 },  { 92, 230, 43, 17 },  { 91, 230, 43, 17 }, { 200, 230, 43, 17 }, { 303, 230, 43, 17 },
        { 279, 50, 77, 20 }, { 271, 66, 89, 84 },  { 95, 58, 65, 195 }, { 205, 58, 65, 195 }
    };

    // Truncated, not rounded: rounding would give "44" 53 wide and "MuteOut" at x 171.
    const std::vector<Rect> contentRatio {
        { 78, 256, 33, 23 }, { 170, 256, 33, 23 }, { 14, 68, 41, 25 },  { 14, 97, 41, 23 },   { 14, 125, 41, 23 },
        { 15, 153, 38, 20 }, { 240, 69, 52, 20 },  { 240, 97, 52, 20 }, { 240, 125, 52, 20 }, { 111, 33, 55, 17 },
        { 271, 3, 22, 17 },  { 77, 230, 36, 17 },  { 77, 230, 36, 17 }, { 168, 230, 36, 17 }, { 255, 230, 36, 17 },
        { 235, 50, 65, 20 }, { 229, 66, 75, 84 },  { 80, 58, 55, 195 }, { 173, 58, 55, 195 }
    };

    void expectLayout (const MainComponent& panel, const std::vector<Rect>& expected, int yOffset = 0)
    {
        const auto actual = childBounds (panel);
        ASSERT_EQ (actual.size(), expected.size());
        for (size_t i = 0; i < actual.size(); ++i)
            EXPECT_EQ (actual[i], expected[i].translated (0, yOffset)) << childNames[i];
    }

    juce::Image embedded (const char* data, int size)
    {
        return juce::ImageCache::getFromMemory (data, size);
    }
}

using PanelLayoutTest = PanelTest;

TEST_F (PanelLayoutTest, DesignSizeWithoutMenuBarPlacesEveryChild)
{
    useMenuBarHeight (*panel, 0);
    layOut (*panel, 380, 290);

    expectLayout (*panel, designSize);
    EXPECT_EQ (panel->menuBar->getBounds(), Rect (0, 0, 380, 0));
    EXPECT_EQ (panel->backgroundImage.getBounds(), Rect (0, 0, 380, 290));
}

TEST_F (PanelLayoutTest, ContentRatioWithoutMenuBarTruncatesTheProducts)
{
    useMenuBarHeight (*panel, 0);
    layOut (*panel, 320, 290);

    expectLayout (*panel, contentRatio);
    EXPECT_EQ (panel->backgroundImage.getBounds(), Rect (0, 0, 320, 290));
}

TEST_F (PanelLayoutTest, ProductsAreSinglePrecision)
{
    useMenuBarHeight (*panel, 0);

    // 0.433655f * 1658 is 719.0 in single precision but 718.99... in double precision.
    layOut (*panel, 380, 1658);
    EXPECT_EQ (panel->button96->getY(), 719);

    // 0.715658f * 1041 likewise: 745 in single precision, 744 in double.
    layOut (*panel, 1041, 290);
    EXPECT_EQ (panel->sampleRatePanelBounds.getX(), 745);
}

TEST_F (PanelLayoutTest, StartsAtTheDesignSizeBelowTheInWindowMenuBar)
{
    const int bar = juce::LookAndFeel::getDefaultLookAndFeel().getDefaultMenuBarHeight();
    ASSERT_EQ (bar, 24);
    EXPECT_EQ (panel->menuBarHeight, bar);

    EXPECT_EQ (panel->getWidth(), 380);
    EXPECT_EQ (panel->getHeight(), 290 + bar);
    EXPECT_EQ (panel->menuBar->getBounds(), Rect (0, 0, 380, bar));
    EXPECT_EQ (panel->menuBar->getModel(), panel.get());
    EXPECT_TRUE (panel->menuBar->isVisible());
    EXPECT_EQ (panel->backgroundImage.getBounds(), Rect (0, 0, 380, 290));
    expectLayout (*panel, designSize, bar);
}

TEST_F (PanelLayoutTest, InWindowMenuBarOffsetsEveryVerticalPosition)
{
    const int bar = panel->menuBarHeight;
    layOut (*panel, 320, 290 + bar);

    EXPECT_EQ (panel->menuBar->getBounds(), Rect (0, 0, 320, bar));
    expectLayout (*panel, contentRatio, bar);
    EXPECT_EQ (panel->backgroundImage.getBounds(), Rect (0, 0, 320, 290));
}

TEST_F (PanelLayoutTest, ZeroSizeKeepsThePreviousBackgroundAndStillLaysOut)
{
    useMenuBarHeight (*panel, 0);
    layOut (*panel, 320, 290);
    const auto before = panel->backgroundImage;
    ASSERT_EQ (before.getBounds(), Rect (0, 0, 320, 290));

    layOut (*panel, 0, 290);
    EXPECT_TRUE (panel->backgroundImage == before);
    EXPECT_EQ (panel->button44->getBounds(), Rect (0, 69, 0, 20));
    EXPECT_EQ (panel->labelSampleRate->getBounds(), Rect (0, 50, 0, 20));

    layOut (*panel, 320, 0);
    EXPECT_TRUE (panel->backgroundImage == before);
    EXPECT_EQ (panel->button44->getBounds(), Rect (240, 0, 52, 0));
    EXPECT_EQ (panel->sampleRatePanelBounds, Rect (229, 0, 75, 0));
}

TEST_F (PanelLayoutTest, BackgroundIsScaledFromTheEmbeddedArtworkEachTime)
{
    useMenuBarHeight (*panel, 0);
    layOut (*panel, 50, 40);
    layOut (*panel, 380, 290);

    // Scaled back from a 50 by 40 copy it would be blurred; from the artwork it is the artwork.
    const auto artwork = embedded (OXVBIN::imagePanelBackground, OXVBIN::imagePanelBackgroundSize);
    EXPECT_TRUE (samePixels (panel->backgroundImage, artwork));
    EXPECT_EQ (panel->bgOrigWidth, 380.0);
    EXPECT_EQ (panel->bgOrigHeight, 290.0);
}

TEST_F (PanelLayoutTest, PaintDrawsTheBackgroundBelowTheBarAndTheGreyRatePanel)
{
    useMenuBarHeight (*panel, 0);
    layOut (*panel, 380, 290);

    juce::Image canvas (juce::Image::ARGB, 380, 290, true);
    {
        juce::Graphics g (canvas);
        panel->paint (g);
    }

    const auto artwork = embedded (OXVBIN::imagePanelBackground, OXVBIN::imagePanelBackgroundSize);
    // Outside the rounded grey panel, the artwork as it is; inside, light grey.
    EXPECT_EQ (canvas.getPixelAt (5, 5), artwork.getPixelAt (5, 5));
    EXPECT_EQ (canvas.getPixelAt (200, 280), artwork.getPixelAt (200, 280));
    const auto centre = panel->sampleRatePanelBounds.getCentre();
    EXPECT_EQ (canvas.getPixelAt (centre.x, centre.y), juce::Colours::lightgrey);
}

TEST_F (PanelLayoutTest, ImageButtonsCarryTheirArtworkAfterEveryLayout)
{
    layOut (*panel, 320, 314);

    // The rate and input buttons show their down image under the mouse; the others their normal one.
    struct ButtonArt
    {
        juce::ImageButton* button;
        juce::Image normal, down;
        bool overShowsDown;
    };
    using namespace OXVBIN;
    const ButtonArt table[] {
        { panel->button44.get(), embedded (imageRate44Normal, imageRate44NormalSize),
          embedded (imageRate44Down, imageRate44DownSize), true },
        { panel->button48.get(), embedded (imageRate48Normal, imageRate48NormalSize),
          embedded (imageRate48Down, imageRate48DownSize), true },
        { panel->button96.get(), embedded (imageRate96Normal, imageRate96NormalSize),
          embedded (imageRate96Down, imageRate96DownSize), true },
        { panel->buttonLine.get(), embedded (imageLineNormal, imageLineNormalSize),
          embedded (imageLineDown, imageLineDownSize), true },
        { panel->buttonMic.get(), embedded (imageMicNormal, imageMicNormalSize), embedded (imageMicDown, imageMicDownSize), true },
        { panel->buttonHIZ.get(), embedded (imageHIZNormal, imageHIZNormalSize), embedded (imageHIZDown, imageHIZDownSize), true },
        { panel->buttonMicHIZ.get(), embedded (imageMicHIZNormal, imageMicHIZNormalSize),
          embedded (imageMicHIZDown, imageMicHIZDownSize), true },
        { panel->buttonMuteOut.get(), embedded (imageMuteNormal, imageMuteNormalSize),
          embedded (imageMuteDown, imageMuteDownSize), false },
        { panel->buttonMuteIn.get(), embedded (imageMuteNormal, imageMuteNormalSize),
          embedded (imageMuteDown, imageMuteDownSize), false },
        { panel->buttonToggleMonitoring.get(), embedded (imageMonitoringNormal, imageMonitoringNormalSize),
          embedded (imageMonitoringDown, imageMonitoringDownSize), false },
        { panel->buttonLink.get(), embedded (imageLinkNormal, imageLinkNormalSize),
          embedded (imageLinkDown, imageLinkDownSize), false },
    };

    for (const auto& entry : table)
    {
        SCOPED_TRACE (entry.button->getName());
        EXPECT_TRUE (samePixels (entry.button->getNormalImage(), entry.normal));
        EXPECT_TRUE (samePixels (entry.button->getOverImage(), entry.overShowsDown ? entry.down : entry.normal));
        EXPECT_TRUE (samePixels (entry.button->getDownImage(), entry.down));
    }
}
