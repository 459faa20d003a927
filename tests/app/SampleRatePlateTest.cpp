// The light plate of the sample-rate section: the background artwork and the rounded panel that the
// panel paints behind the rate buttons must read as one plate at every window size, although the
// painted panel comes from truncated proportions and the artwork is resampled.
#include "PanelTestSupport.h"

#include <cstdlib>
#include <string>

using namespace panel_tests;

namespace
{
    // Window content sizes at the 320:290 ratio from the smallest to the largest the window allows,
    // plus the design size.
    const juce::Point<int> windowSizes[] { { 219, 198 }, { 250, 227 }, { 287, 260 }, { 320, 290 }, { 380, 290 },
                                           { 413, 374 }, { 480, 435 }, { 555, 503 }, { 601, 545 }, { 640, 580 } };

    bool isPlateColour (juce::Colour c)
    {
        const auto plate = juce::Colours::lightgrey;
        return std::abs (c.getRed() - plate.getRed()) <= 2 && std::abs (c.getGreen() - plate.getGreen()) <= 2
               && std::abs (c.getBlue() - plate.getBlue()) <= 2;
    }

    // The first few pixels of the area that are not plate-coloured, as "(x, y)" texts; empty if none.
    std::string offPlatePixels (const juce::Image& canvas, juce::Rectangle<int> area)
    {
        juce::StringArray off;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (! isPlateColour (canvas.getPixelAt (x, y)) && off.size() < 6)
                    off.add ("(" + juce::String (x) + ", " + juce::String (y) + ")");
        return off.joinIntoString (" ").toStdString();
    }

    class SampleRatePlateTest : public PanelTest
    {
    protected:
        juce::Image paintAt (juce::Point<int> size)
        {
            useMenuBarHeight (*panel, 0);
            layOut (*panel, size.x, size.y);
            juce::Image canvas (juce::Image::ARGB, size.x, size.y, true);
            juce::Graphics g (canvas);
            panel->paint (g);
            return canvas;
        }
    };
}

TEST_F (SampleRatePlateTest, PaintedPanelAndArtworkShowNoSeamAtAnyWindowSize)
{
    for (const auto size : windowSizes)
    {
        SCOPED_TRACE (size.toString());
        const auto canvas = paintAt (size);

        // The painted panel, its rounded corners and a pixel all round it lie on the light plate: a
        // dark notch or step anywhere along its edge would show here.
        EXPECT_EQ (offPlatePixels (canvas, panel->sampleRatePanelBounds.expanded (1)), "");
    }
}

TEST_F (SampleRatePlateTest, CaptionSitsOnTheLightPlate)
{
    // The caption's dark grey text needs the light ground above the painted panel; only the artwork
    // draws there.
    for (const auto size : windowSizes)
    {
        SCOPED_TRACE (size.toString());
        const auto canvas = paintAt (size);
        EXPECT_EQ (offPlatePixels (canvas, panel->labelSampleRate->getBounds()), "");
    }
}
