// The window's limits as the keeper judges, restores and publishes them.
#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#if JUCE_LINUX
 #include "OXVBorderBoundsConstrainer.h"
 #include "native/WindowLimitsKeeper.h"

namespace
{
    using Rect = juce::Rectangle<int>;
    using Size = juce::Point<int>;

    class WindowLimitsKeeperTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            constrainer.setFixedAspectRatio (320.0 / 290.0);
            constrainer.setSizeLimits (219, 198, 640, 580);
        }

        BorderBoundsConstrainer constrainer;
    };
}

TEST_F (WindowLimitsKeeperTest, ABoundsBroughtBackKeepsThePreviousCentreWithTheFrameOnTop)
{
    struct Case
    {
        juce::BorderSize<int> frame;
        Rect bounds, previous, expected;
    };

    const Case cases[] = {
        // No frame: 1000 by 300 becomes 640 by 580 about the centre of (352, 239, 320, 290).
        { {}, { 352, 239, 1000, 300 }, { 352, 239, 320, 290 }, { 192, 94, 640, 580 } },
        // Too small: 219 by 198, about the centre of the 640 by 580 window.
        { {}, { 192, 94, 100, 100 }, { 192, 94, 640, 580 }, { 403, 285, 219, 198 } },
        // With a frame of 20 above and 2 elsewhere, the limits bind the content; the centre is the outer
        // one: previous outer (98, 80, 324, 312), new outer 644 by 602 at (98 + 162 - 322, 80 + 156 - 301).
        { { 20, 2, 2, 2 }, { 100, 100, 1000, 300 }, { 100, 100, 320, 290 }, { -60, -45, 640, 580 } },
        // Off the ratio only: the content's 400 wide asks for 362.5 high, which JUCE rounds to the even
        // 362; new outer 404 by 384 at (98 + 162 - 202, 80 + 156 - 192).
        { { 20, 2, 2, 2 }, { 100, 100, 400, 300 }, { 100, 100, 320, 290 }, { 60, 64, 400, 362 } },
    };

    for (const auto& c : cases)
    {
        constrainer.frameBorder = c.frame;
        const auto result = WindowLimitsKeeper::bringBack (constrainer, c.bounds, c.previous, c.frame, { 0, 0, 1920, 1080 });
        EXPECT_EQ (result, c.expected) << c.bounds.toString() << " gave " << result.toString();
    }
}

TEST_F (WindowLimitsKeeperTest, HintsGiveTheLimitsInPhysicalPixelsAndARangeOfRatiosThatHoldsEverySizeAskedFor)
{
    for (const double scale : { 1.0, 2.0 })
    {
        const auto hints = WindowLimitsKeeper::hintsFor (constrainer, scale);
        EXPECT_EQ (hints.minimumSize, (Size (219, 198).toDouble() * scale).roundToInt());
        EXPECT_EQ (hints.maximumSize, (Size (640, 580).toDouble() * scale).roundToInt());
    }

    const auto hints = WindowLimitsKeeper::hintsFor (constrainer, 1.0);
    const auto inRange = [&hints] (Size size)
    {
        return (juce::int64) size.x * hints.minimumAspect.y >= (juce::int64) size.y * hints.minimumAspect.x
               && (juce::int64) size.x * hints.maximumAspect.y <= (juce::int64) size.y * hints.maximumAspect.x;
    };

    // Whatever size the window asks for, set or dragged, from one too wide or too tall, the window
    // manager takes as it is: it never rounds it again.
    for (int height = 150; height <= 700; ++height)
        for (const int width : { height / 2, height * 2 })
            for (const bool dragged : { false, true })
            {
                Rect bounds (0, 0, width, height);
                constrainer.checkBounds (bounds, { 0, 0, 320, 290 }, { 0, 0, 1920, 1080 }, false, false, dragged, dragged);
                ASSERT_TRUE (inRange ({ bounds.getWidth(), bounds.getHeight() })) << bounds.toString();
            }

    // Whatever size the window manager settles on in that range, the window keeps.
    for (int height = 198; height <= 580; ++height)
        for (int width = 219; width <= 640; ++width)
        {
            if (inRange ({ width, height }))
            {
                ASSERT_TRUE (BorderBoundsConstrainer::fits (constrainer, { width, height })) << width << " by " << height;
            }
        }

    // Without a ratio the hints carry none.
    constrainer.setFixedAspectRatio (0.0);
    EXPECT_EQ (WindowLimitsKeeper::hintsFor (constrainer, 1.0).minimumAspect, Size());
    EXPECT_EQ (WindowLimitsKeeper::hintsFor (constrainer, 1.0).maximumAspect, Size());
}
#endif
