// The menu-bar look: item widths, the grey bar and plain centred names.
#include "PopupMenuLookAndFeel.h"
#include "WidgetTestSupport.h"

#include <cmath>

using namespace widget_tests;

namespace
{
    juce::Image canvas (int w, int h)
    {
        return juce::Image (juce::Image::ARGB, w, h, true);
    }

    // The horizontal extent of the non-transparent pixels.
    juce::Range<int> inkColumns (const juce::Image& image)
    {
        int first = image.getWidth(), last = -1;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getAlpha() > 0)
                {
                    first = std::min (first, x);
                    last = std::max (last, x);
                }
        return { first, last + 1 };
    }
}

TEST (PopupMenuLookandFeel, ItemWidthIsTextWidthPlusTwenty)
{
    PopupMenuLookandFeel look;
    juce::MenuBarComponent bar;

    for (int barHeight : { 12, 24, 40 })
    {
        bar.setSize (300, barHeight);
        for (const juce::String text : { "File", "Config", "W" })
        {
            const auto font = look.getMenuBarFont (bar, 0, text);
            const int textWidth = static_cast<int> (std::ceil (font.getStringWidthFloat (text)));
            ASSERT_GT (textWidth, 0);
            EXPECT_EQ (look.getMenuBarItemWidth (bar, 0, text), textWidth + 20) << text << " at " << barHeight;
        }
        EXPECT_EQ (look.getMenuBarItemWidth (bar, 1, {}), 20);
    }
}

TEST (PopupMenuLookandFeel, BackgroundIsLightGreyOverTheWholeBar)
{
    PopupMenuLookandFeel look;
    juce::MenuBarComponent bar;

    for (bool mouseOver : { false, true })
    {
        auto image = canvas (60, 22);
        {
            juce::Graphics g (image);
            look.drawMenuBarBackground (g, 60, 22, mouseOver, bar);
        }

        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 60; ++x)
                ASSERT_EQ (image.getPixelAt (x, y), juce::Colours::lightgrey) << x << "," << y;
    }
}

TEST (PopupMenuLookandFeel, ItemNameIsBlackCentredAndNeverHighlighted)
{
    PopupMenuLookandFeel look;
    juce::MenuBarComponent bar;

    auto plain = canvas (80, 20);
    auto hovered = canvas (80, 20);
    {
        juce::Graphics g (plain);
        look.drawMenuBarItem (g, 80, 20, 0, "File", false, false, false, bar);
    }
    {
        juce::Graphics g (hovered);
        look.drawMenuBarItem (g, 80, 20, 1, "File", true, true, true, bar);
    }

    EXPECT_TRUE (samePixels (plain, hovered));

    const auto ink = inkColumns (plain);
    ASSERT_FALSE (ink.isEmpty());
    EXPECT_NEAR ((ink.getStart() + ink.getEnd()) / 2.0, 40.0, 2.0);

    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
        {
            const auto pixel = plain.getPixelAt (x, y);
            if (pixel.getAlpha() > 0)
            {
                ASSERT_EQ (pixel.withAlpha (1.0f), juce::Colours::black) << x << "," << y;
            }
        }
}
