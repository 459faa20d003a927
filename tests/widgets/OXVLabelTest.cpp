// The label look: the font follows the label's width through the reference text alone.
#include "OXVLabel.h"
#include "WidgetTestSupport.h"

#include <cmath>

using namespace widget_tests;

namespace
{
    // The largest whole height from 20 down at which the text fits the width, measured with JUCE's
    // default font; 0.1 when it fits at none of them.
    float largestFitting (const juce::String& text, int width)
    {
        for (int h = 20; h >= 1; --h)
            if (juce::Font (static_cast<float> (h)).getStringWidthFloat (text) <= static_cast<float> (width))
                return static_cast<float> (h);

        return 0.1f;
    }

    float fontHeightFor (OXVdBLabelLookAndFeel& look, int width, int height = 17, const juce::String& text = {})
    {
        juce::Label label ({}, text);
        label.setSize (width, height);
        return look.getLabelFont (label).getHeight();
    }

    // Calls getLabelFont from a thread that has already been asked to exit, so the lock is not gained.
    struct RefusedCaller : juce::Thread
    {
        RefusedCaller (OXVdBLabelLookAndFeel& l, juce::Label& lab) : juce::Thread ("label font"), look (l), label (lab)
        {}

        void run() override
        {
            signalThreadShouldExit();
            font = look.getLabelFont (label);
        }

        OXVdBLabelLookAndFeel& look;
        juce::Label& label;
        juce::Font font;
    };

    float heightFromRefusedLock (OXVdBLabelLookAndFeel& look)
    {
        juce::Label label;
        label.setSize (300, 20);
        RefusedCaller caller (look, label);
        caller.startThread();
        EXPECT_TRUE (caller.waitForThreadToExit (5000));
        return caller.font.getHeight();
    }
}

TEST (OXVdBLabelLookAndFeel, LargestHeightThatFitsAtSeveralWidths)
{
    OXVdBLabelLookAndFeel look;
    EXPECT_EQ (look.referenceText, "-63.5 dB");

    for (int width : { 200, 80, 60, 43, 36, 30, 20, 12, 6, 3 })
    {
        const float expected = largestFitting ("-63.5 dB", width);
        EXPECT_FLOAT_EQ (fontHeightFor (look, width), expected) << "width " << width;
    }

    // The range of widths above reaches both ends and the middle of the search.
    EXPECT_FLOAT_EQ (fontHeightFor (look, 200), 20.0f);
    EXPECT_LT (fontHeightFor (look, 36), 20.0f);
    EXPECT_GT (fontHeightFor (look, 36), 1.0f);
}

TEST (OXVdBLabelLookAndFeel, ReturnsAPlainDefaultFont)
{
    OXVdBLabelLookAndFeel look;
    juce::Label label ({}, "x");
    label.setFont (juce::Font ("Serif", 30.0f, juce::Font::bold | juce::Font::italic));
    label.setSize (40, 17);

    const auto font = look.getLabelFont (label);

    EXPECT_EQ (font.getTypefaceName(), juce::Font().getTypefaceName());
    EXPECT_FALSE (font.isBold());
    EXPECT_FALSE (font.isItalic());
}

TEST (OXVdBLabelLookAndFeel, ReferenceTextDecides)
{
    OXVdBLabelLookAndFeel dB;
    OXVdBLabelLookAndFeel rate;
    rate.referenceText = "SampleRate";

    for (int width : { 77, 64, 50 })
    {
        EXPECT_FLOAT_EQ (fontHeightFor (rate, width, 20, "SampleRate"), largestFitting ("SampleRate", width));
        EXPECT_FLOAT_EQ (fontHeightFor (dB, width, 20, "SampleRate"), largestFitting ("-63.5 dB", width));
    }
}

TEST (OXVdBLabelLookAndFeel, TooNarrowGivesTheSmallestHeight)
{
    OXVdBLabelLookAndFeel look;

    // A width at which the text fits only below height 1.
    const float widthAtOne = juce::Font (1.0f).getStringWidthFloat (look.referenceText);
    const int narrow = static_cast<int> (std::ceil (widthAtOne)) - 1;
    ASSERT_GT (narrow, 0);
    ASSERT_GT (static_cast<float> (narrow), juce::Font (0.1f).getStringWidthFloat (look.referenceText));
    EXPECT_FLOAT_EQ (fontHeightFor (look, narrow), 0.1f);

    // A width of 0 never fits; the search still ends, at the smallest height.
    EXPECT_FLOAT_EQ (fontHeightFor (look, 0), 0.1f);
}

TEST (OXVdBLabelLookAndFeel, RefusedLockReturnsTheLastMeasuringFont)
{
    OXVdBLabelLookAndFeel look;

    EXPECT_FLOAT_EQ (heightFromRefusedLock (look), 8.0f);

    const float shown = fontHeightFor (look, 36);
    EXPECT_FLOAT_EQ (heightFromRefusedLock (look), shown);

    EXPECT_FLOAT_EQ (fontHeightFor (look, 500), 20.0f);
    EXPECT_FLOAT_EQ (heightFromRefusedLock (look), 20.0f);

    // Let the abandoned lock requests pass through the message loop.
    testing_support::pumpFor (20);
}
