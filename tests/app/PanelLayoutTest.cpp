// The panel's proportional layout: every child at the design size and at the window's content ratio,
// the single-precision truncating products, the offset below an in-window menu bar, a zero size, the
// background scaled from the embedded artwork and the images of the image buttons.
#include "PanelTestSupport.h"

#include "OXVBinaryData.h"

#include <functional>
#include <vector>

using namespace panel_tests;

namespace
{
    using Rect = juce::Rectangle<int>;

    struct ChildBounds
    {
        const char* name;
        std::function<Rect (const MainComponent&)> bounds;
        Rect expected;
    };

    Rect of (const std::unique_ptr<juce::ImageButton>& c) { return c->getBounds(); }
    Rect of (const std::unique_ptr<juce::Label>& c) { return c->getBounds(); }
    Rect of (const std::unique_ptr<SliderStereoGroup>& c) { return c->getBounds(); }

    // Expected bounds in the order of the layout table. The values at 380 by 290 and at 320 by 290 were
    // worked out by hand as single-precision products truncated toward zero.
    std::vector<ChildBounds> layoutTable (Rect muteIn, Rect muteOut, Rect line, Rect mic, Rect hiz, Rect micHiz,
                                          Rect r44, Rect r48, Rect r96, Rect monitoring, Rect link,
                                          Rect dbInLeft, Rect dbInRight, Rect dbOutLeft, Rect dbOutRight,
                                          Rect sampleRate, Rect sampleRatePanel, Rect groupIn, Rect groupOut)
    {
        return {
            { "MuteIn", [] (const MainComponent& p) { return of (p.buttonMuteIn); }, muteIn },
            { "MuteOut", [] (const MainComponent& p) { return of (p.buttonMuteOut); }, muteOut },
            { "Line", [] (const MainComponent& p) { return of (p.buttonLine); }, line },
            { "Mic", [] (const MainComponent& p) { return of (p.buttonMic); }, mic },
            { "HIZ", [] (const MainComponent& p) { return of (p.buttonHIZ); }, hiz },
            { "MicHIZ", [] (const MainComponent& p) { return of (p.buttonMicHIZ); }, micHiz },
            { "44", [] (const MainComponent& p) { return of (p.button44); }, r44 },
            { "48", [] (const MainComponent& p) { return of (p.button48); }, r48 },
            { "96", [] (const MainComponent& p) { return of (p.button96); }, r96 },
            { "buttonToggleMonitoring", [] (const MainComponent& p) { return of (p.buttonToggleMonitoring); }, monitoring },
            { "LINK", [] (const MainComponent& p) { return of (p.buttonLink); }, link },
            { "labelDbInLeft", [] (const MainComponent& p) { return of (p.labelDbInLeft); }, dbInLeft },
            { "labelDbInRight", [] (const MainComponent& p) { return of (p.labelDbInRight); }, dbInRight },
            { "labelDbOutLeft", [] (const MainComponent& p) { return of (p.labelDbOutLeft); }, dbOutLeft },
            { "labelDbOutRight", [] (const MainComponent& p) { return of (p.labelDbOutRight); }, dbOutRight },
            { "labelSampleRate", [] (const MainComponent& p) { return of (p.labelSampleRate); }, sampleRate },
            { "sampleRatePanelBounds", [] (const MainComponent& p) { return p.sampleRatePanelBounds; }, sampleRatePanel },
            { "sliderGroupIn", [] (const MainComponent& p) { return of (p.sliderGroupIn); }, groupIn },
            { "sliderGroupOut", [] (const MainComponent& p) { return of (p.sliderGroupOut); }, groupOut },
        };
    }

    std::vector<ChildBounds> designSizeTable()
    {
        return layoutTable ({ 92, 256, 39, 23 }, { 202, 256, 39, 23 }, { 17, 68, 49, 25 }, { 17, 97, 49, 23 },
                            { 17, 125, 49, 23 }, { 18, 153, 45, 20 }, { 285, 69, 62, 20 }, { 285, 97, 62, 20 },
                            { 285, 125, 62, 20 }, { 132, 33, 65, 17 }, { 321, 3, 26, 17 }, { 92, 230, 43, 17 },
                            { 91, 230, 43, 17 }, { 200, 230, 43, 17 }, { 303, 230, 43, 17 }, { 279, 50, 77, 20 },
                            { 271, 66, 89, 84 }, { 95, 58, 65, 195 }, { 205, 58, 65, 195 });
    }

    void expectLayout (const MainComponent& panel, const std::vector<ChildBounds>& table, int yOffset = 0)
    {
        for (const auto& child : table)
            EXPECT_EQ (child.bounds (panel), child.expected.translated (0, yOffset)) << child.name;
    }

    bool samePixels (const juce::Image& a, const juce::Image& b)
    {
        if (a.getBounds() != b.getBounds())
            return false;

        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                    return false;
        return true;
    }

    juce::Image embedded (const char* data, int size)
    {
        return juce::ImageCache::getFromMemory (data, size);
    }
}

class PanelLayoutTest : public PanelTest
{
};

TEST_F (PanelLayoutTest, DesignSizeWithoutMenuBarPlacesEveryChild)
{
    useMenuBarHeight (*panel, 0);
    layOut (*panel, 380, 290);

    expectLayout (*panel, designSizeTable());
    EXPECT_EQ (panel->menuBar->getBounds(), Rect (0, 0, 380, 0));
    EXPECT_EQ (panel->backgroundImage.getBounds(), Rect (0, 0, 380, 290));
}

TEST_F (PanelLayoutTest, ContentRatioWithoutMenuBarTruncatesTheProducts)
{
    useMenuBarHeight (*panel, 0);
    layOut (*panel, 320, 290);

    // Truncated, not rounded: rounding would give "44" 53 wide and "MuteOut" at x 171.
    expectLayout (*panel, layoutTable ({ 78, 256, 33, 23 }, { 170, 256, 33, 23 }, { 14, 68, 41, 25 }, { 14, 97, 41, 23 },
                                       { 14, 125, 41, 23 }, { 15, 153, 38, 20 }, { 240, 69, 52, 20 }, { 240, 97, 52, 20 },
                                       { 240, 125, 52, 20 }, { 111, 33, 55, 17 }, { 271, 3, 22, 17 }, { 77, 230, 36, 17 },
                                       { 77, 230, 36, 17 }, { 168, 230, 36, 17 }, { 255, 230, 36, 17 }, { 235, 50, 65, 20 },
                                       { 229, 66, 75, 84 }, { 80, 58, 55, 195 }, { 173, 58, 55, 195 }));
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
    expectLayout (*panel, designSizeTable(), bar);
}

TEST_F (PanelLayoutTest, InWindowMenuBarOffsetsEveryVerticalPosition)
{
    const int bar = panel->menuBarHeight;
    layOut (*panel, 320, 290 + bar);

    EXPECT_EQ (panel->menuBar->getBounds(), Rect (0, 0, 320, bar));
    EXPECT_EQ (panel->button44->getBounds(), Rect (240, 69 + bar, 52, 20));
    EXPECT_EQ (panel->buttonMuteIn->getBounds(), Rect (78, 256 + bar, 33, 23));
    EXPECT_EQ (panel->labelDbInLeft->getBounds(), Rect (77, 230 + bar, 36, 17));
    EXPECT_EQ (panel->sliderGroupIn->getBounds(), Rect (80, 58 + bar, 55, 195));
    EXPECT_EQ (panel->sliderGroupOut->getBounds(), Rect (173, 58 + bar, 55, 195));
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

    struct ButtonImages
    {
        juce::ImageButton* button;
        juce::Image normal, over, down;
    };

    const auto img = [] (const char* data, int size) { return embedded (data, size); };
    using namespace OXVBIN;
    const std::vector<ButtonImages> table {
        { panel->button44.get(), img (imageRate44Normal, imageRate44NormalSize), img (imageRate44Down, imageRate44DownSize), img (imageRate44Down, imageRate44DownSize) },
        { panel->button48.get(), img (imageRate48Normal, imageRate48NormalSize), img (imageRate48Down, imageRate48DownSize), img (imageRate48Down, imageRate48DownSize) },
        { panel->button96.get(), img (imageRate96Normal, imageRate96NormalSize), img (imageRate96Down, imageRate96DownSize), img (imageRate96Down, imageRate96DownSize) },
        { panel->buttonMuteOut.get(), img (imageMuteNormal, imageMuteNormalSize), img (imageMuteNormal, imageMuteNormalSize), img (imageMuteDown, imageMuteDownSize) },
        { panel->buttonMuteIn.get(), img (imageMuteNormal, imageMuteNormalSize), img (imageMuteNormal, imageMuteNormalSize), img (imageMuteDown, imageMuteDownSize) },
        { panel->buttonLine.get(), img (imageLineNormal, imageLineNormalSize), img (imageLineDown, imageLineDownSize), img (imageLineDown, imageLineDownSize) },
        { panel->buttonMic.get(), img (imageMicNormal, imageMicNormalSize), img (imageMicDown, imageMicDownSize), img (imageMicDown, imageMicDownSize) },
        { panel->buttonHIZ.get(), img (imageHIZNormal, imageHIZNormalSize), img (imageHIZDown, imageHIZDownSize), img (imageHIZDown, imageHIZDownSize) },
        { panel->buttonMicHIZ.get(), img (imageMicHIZNormal, imageMicHIZNormalSize), img (imageMicHIZDown, imageMicHIZDownSize), img (imageMicHIZDown, imageMicHIZDownSize) },
        { panel->buttonToggleMonitoring.get(), img (imageMonitoringNormal, imageMonitoringNormalSize), img (imageMonitoringNormal, imageMonitoringNormalSize), img (imageMonitoringDown, imageMonitoringDownSize) },
        { panel->buttonLink.get(), img (imageLinkNormal, imageLinkNormalSize), img (imageLinkNormal, imageLinkNormalSize), img (imageLinkDown, imageLinkDownSize) },
    };

    for (const auto& entry : table)
    {
        const auto name = entry.button->getName();
        EXPECT_TRUE (samePixels (entry.button->getNormalImage(), entry.normal)) << name;
        EXPECT_TRUE (samePixels (entry.button->getOverImage(), entry.over)) << name;
        EXPECT_TRUE (samePixels (entry.button->getDownImage(), entry.down)) << name;
    }
}
