// The fader look: thumb images only, placed on the slider position.
#include "OXVBinaryData.h"
#include "SliderLookAndFeel.h"
#include "WidgetTestSupport.h"

using namespace widget_tests;

namespace
{
    // Paints one thumb call into a fresh transparent canvas.
    juce::Image paintThumb (juce::LookAndFeel& laf, juce::Slider& slider, int x, float sliderPos,
                            juce::Slider::SliderStyle style, bool wholeSlider = false)
    {
        juce::Image canvas (juce::Image::ARGB, 40, 200, true);
        juce::Graphics g (canvas);

        if (wholeSlider)
            laf.drawLinearSlider (g, x, 9, 14, 144, sliderPos, 153.0f, 9.0f, style, slider);
        else
            laf.drawLinearSliderThumb (g, x, 9, 14, 144, sliderPos, 153.0f, 9.0f, style, slider);

        return canvas;
    }

    struct ThumbLook : ::testing::Test
    {
        void SetUp() override
        {
            laf.thumbNormal = solid (13, 19, juce::Colours::green);
            laf.thumbCurrent = laf.thumbNormal;
            laf.thumbHighlighted = solid (13, 19, juce::Colours::blue);
            slider.setSliderStyle (juce::Slider::LinearVertical);
            slider.setBounds (0, 0, 14, 162);
        }

        OxvSliderLookAndFeel laf;
        juce::Slider slider;
    };
}

TEST (OxvSliderLookAndFeelState, LoadsEmbeddedThumbsUnscaled)
{
    OxvSliderLookAndFeel laf;

    laf.setImagPathAndSize (OXVBIN::imageThumbNormal, OXVBIN::imageThumbNormalSize, OXVBIN::imageThumbHighlighted,
                            OXVBIN::imageThumbHighlightedSize, 15, 19);

    EXPECT_EQ (laf.thumbCurrentSource.getBounds(), juce::Rectangle<int> (0, 0, 15, 19));
    EXPECT_EQ (laf.thumbNormalSource.getBounds(), juce::Rectangle<int> (0, 0, 15, 19));
    EXPECT_EQ (laf.thumbHighlightedSource.getBounds(), juce::Rectangle<int> (0, 0, 15, 19));
    EXPECT_EQ (laf.thumbCurrentSource, laf.thumbNormalSource);   // the one cached image
    EXPECT_FALSE (laf.thumbCurrent.isValid());
    EXPECT_FALSE (laf.thumbHighlighted.isValid());
}

TEST_F (ThumbLook, RadiusIsHalfTheCurrentThumbHeight)
{
    EXPECT_EQ (laf.getSliderThumbRadius (slider), 9);
    laf.thumbCurrent = solid (13, 20, juce::Colours::green);
    EXPECT_EQ (laf.getSliderThumbRadius (slider), 10);
    laf.thumbCurrent = solid (4, 1, juce::Colours::green);
    EXPECT_EQ (laf.getSliderThumbRadius (slider), 0);
}

TEST_F (ThumbLook, ThumbTopIsSliderPositionLessHalfTruncated)
{
    for (float sliderPos : { 50.9f, 50.0f, 9.0f, 153.0f })
    {
        const auto canvas = paintThumb (laf, slider, 3, sliderPos, juce::Slider::LinearVertical);
        const juce::Rectangle<int> thumb (3, static_cast<int> (sliderPos - 9.0f), 13, 19);

        for (int y = 0; y < canvas.getHeight(); ++y)
            for (int x = 0; x < canvas.getWidth(); ++x)
            {
                const auto pixel = canvas.getPixelAt (x, y);
                if (thumb.contains (x, y))
                {
                    ASSERT_EQ (pixel, juce::Colours::green) << sliderPos << ": " << x << "," << y;
                }
                else
                {
                    ASSERT_EQ (pixel.getAlpha(), 0) << sliderPos << ": " << x << "," << y;
                }
            }
    }
}

TEST_F (ThumbLook, DrawLinearSliderDrawsOnlyTheThumb)
{
    const auto viaSlider = paintThumb (laf, slider, 2, 77.5f, juce::Slider::LinearVertical, true);
    const auto viaThumb = paintThumb (laf, slider, 2, 77.5f, juce::Slider::LinearVertical);

    EXPECT_TRUE (samePixels (viaSlider, viaThumb));
    EXPECT_EQ (viaSlider.getPixelAt (2, 68), juce::Colours::green);
    EXPECT_EQ (viaSlider.getPixelAt (2, 67).getAlpha(), 0);
}

TEST_F (ThumbLook, DisabledFaderShowsTheCurrentThumb)
{
    slider.setEnabled (false);
    laf.thumbCurrent = laf.thumbHighlighted;   // the pair is linked

    const auto canvas = paintThumb (laf, slider, 0, 40.0f, juce::Slider::LinearVertical);

    EXPECT_EQ (canvas.getPixelAt (5, 31), juce::Colours::blue);
}

TEST_F (ThumbLook, HorizontalSliderShowsNothing)
{
    slider.setSliderStyle (juce::Slider::LinearHorizontal);

    const auto canvas = paintThumb (laf, slider, 0, 40.0f, juce::Slider::LinearHorizontal, true);

    EXPECT_TRUE (isTransparent (canvas, canvas.getBounds()));
}

TEST_F (ThumbLook, OtherStylesDrawAsTheBaseLook)
{
    slider.setSliderStyle (juce::Slider::TwoValueVertical);

    // The base drawing asks the (virtual) thumb radius, which is ours in both cases.
    struct Base : juce::LookAndFeel_V4
    {
        int getSliderThumbRadius (juce::Slider&) override { return 9; }
    } base;

    const auto ours = paintThumb (laf, slider, 0, 80.0f, juce::Slider::TwoValueVertical);
    const auto theirs = paintThumb (base, slider, 0, 80.0f, juce::Slider::TwoValueVertical);

    EXPECT_FALSE (isTransparent (ours, ours.getBounds()));
    EXPECT_TRUE (samePixels (ours, theirs));
}

TEST_F (ThumbLook, NullThumbDrawsNothing)
{
    laf.thumbCurrent = {};

    const auto canvas = paintThumb (laf, slider, 0, 40.0f, juce::Slider::LinearVertical);

    EXPECT_TRUE (isTransparent (canvas, canvas.getBounds()));
}
