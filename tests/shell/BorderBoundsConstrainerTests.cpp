// The window's bounds constrainer: limits and ratio on the content area, the frame on top, moves kept
// in place and resizes kept about the previous centre.
#include <gtest/gtest.h>

#include "OXVBorderBoundsConstrainer.h"

namespace
{
    using Rect = juce::Rectangle<int>;
    using Size = juce::Point<int>;

    // Configured as the main window configures it.
    void configureAsWindow (juce::ComponentBoundsConstrainer& c)
    {
        c.setFixedAspectRatio (320.0 / 290.0);
        c.setSizeLimits (219, 198, 640, 580);
    }

    struct Flags
    {
        bool top = false, left = false, bottom = false, right = false;
    };

    Rect check (juce::ComponentBoundsConstrainer& c, Rect requested, Rect previous, Flags f = {})
    {
        c.checkBounds (requested, previous, { 0, 0, 1920, 1080 }, f.top, f.left, f.bottom, f.right);
        return requested;
    }

    class BorderBoundsConstrainerTest : public ::testing::Test
    {
    protected:
        void SetUp() override { configureAsWindow (constrainer); }
        BorderBoundsConstrainer constrainer;
    };
}

TEST_F (BorderBoundsConstrainerTest, MoveKeepsRequestedPlaceWhileSizeIsConstrained)
{
    struct Case
    {
        Rect requested, previous, expected;
    };
    const Case cases[] = {
        // Unchanged size: lands exactly where asked.
        { { 333, 222, 320, 290 }, { 0, 0, 320, 290 }, { 333, 222, 320, 290 } },
        // 440 wide is within the limits; the ratio then asks for 440 * 290 / 320 = 398.75 -> 399 high.
        { { 50, 60, 440, 300 }, { 10, 10, 320, 290 }, { 50, 60, 440, 399 } },
        // Too small: the limits and the ratio grow it, the top left corner stays put.
        { { -30, 700, 100, 100 }, { 0, 0, 100, 100 }, { -30, 700, 219, 198 } },
        // A size as near the ratio as a window manager settled it stays, whatever the previous bounds (here
        // the panel's design size, as when a stored state is restored): rounding it again from its height
        // would give 398 wide, a pixel lost at every start.
        { { 200, 150, 400, 361 }, { 0, 0, 380, 290 }, { 200, 150, 400, 361 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.requested.toString());
        EXPECT_EQ (check (constrainer, c.requested, c.previous), c.expected);
    }
}

TEST_F (BorderBoundsConstrainerTest, SizesAtTheRatioAsNearlyAsWholePixelsAllowFit)
{
    // At the smallest height both nearest widths; a pixel further from the range a window manager is
    // told, where it may round (400 by 361, 453 by 409), but not two.
    for (const auto size : { Size (320, 290), Size (219, 198), Size (640, 580), Size (500, 453), Size (500, 454),
                             Size (352, 319), Size (400, 361), Size (453, 409) })
        EXPECT_TRUE (BorderBoundsConstrainer::fits (constrainer, size)) << size.toString();

    for (const auto size : { Size (218, 198), Size (219, 197), Size (641, 580), Size (640, 581), Size (500, 456),
                             Size (500, 450), Size (1000, 300), Size (380, 290) })
        EXPECT_FALSE (BorderBoundsConstrainer::fits (constrainer, size)) << size.toString();
}

TEST_F (BorderBoundsConstrainerTest, ResizeStaysCentredOnPreviousBounds)
{
    // A 27 pixel title bar and 5 pixel sides: the content 290 by 273 becomes 290 by 263 at the ratio,
    // so the outer size is 300 by 290, centred on (100, 100, 321, 319): 100 + 160 - 150, 100 + 159 - 145.
    constrainer.frameBorder = juce::BorderSize<int> (27, 5, 0, 5);
    const Rect previous (100, 100, 321, 319);
    EXPECT_EQ (check (constrainer, { 100, 100, 300, 300 }, previous, { false, false, true, true }), Rect (110, 114, 300, 290));
}

TEST (BorderBoundsConstrainerResize, HalvesEachTermOnItsOwn)
{
    // Without a ratio the limits alone give 300 by 290 from the same previous bounds.
    BorderBoundsConstrainer c;
    c.setSizeLimits (100, 100, 300, 290);
    EXPECT_EQ (check (c, { 100, 100, 400, 400 }, { 100, 100, 321, 319 }, { false, false, true, true }),
               Rect (110, 114, 300, 290));
    // Dragging the left edge: the window still grows on both sides about the previous centre.
    EXPECT_EQ (check (c, { 0, 100, 421, 319 }, { 100, 100, 321, 319 }, { false, true, false, false }),
               Rect (110, 114, 300, 290));
}

TEST_F (BorderBoundsConstrainerTest, LimitsAndRatioBindTheContentAreaWithAFrame)
{
    constrainer.frameBorder = juce::BorderSize<int> (30, 4, 6, 4);

    // Content 92 by 64 grows to the minimum 219 by 198; the frame comes on top.
    EXPECT_EQ (check (constrainer, { 0, 0, 100, 100 }, { 0, 0, 100, 100 }), Rect (0, 0, 227, 234));
    // Content 992 by 964 shrinks to the maximum 640 by 580.
    EXPECT_EQ (check (constrainer, { 7, 9, 1000, 1000 }, { 0, 0, 100, 100 }), Rect (7, 9, 648, 616));
}

TEST_F (BorderBoundsConstrainerTest, TopStripIsLeftOutOfLimitsAndRatio)
{
    constrainer.topStrip = 20;
    EXPECT_EQ (check (constrainer, { 0, 0, 1000, 1000 }, { 0, 0, 100, 100 }), Rect (0, 0, 640, 600));
}

TEST_F (BorderBoundsConstrainerTest, WithoutFrameOuterAndInnerAreTheSame)
{
    juce::ComponentBoundsConstrainer plain;
    configureAsWindow (plain);

    const Rect previous (40, 50, 320, 290);
    for (const auto requested :
         { Rect (40, 50, 500, 300), Rect (0, 0, 10, 10), Rect (5, 5, 900, 700), Rect (12, 34, 350, 317) })
        EXPECT_EQ (check (constrainer, requested, previous), check (plain, requested, previous)) << requested.toString();
}

TEST_F (BorderBoundsConstrainerTest, FrameStaysAsFirstTaken)
{
    const juce::BorderSize<int> frame (24, 2, 3, 2);
    constrainer.frameBorder = frame;

    const Rect requested (10, 10, 500, 500), previous (10, 10, 320, 290);
    const auto first = check (constrainer, requested, previous);

    // Being attached to a window, resizing it and constraining again leaves the frame as it was set.
    juce::Component window;
    window.setBounds (previous);
    constrainer.resizeStart();
    constrainer.setBoundsForComponent (&window, { 10, 10, 800, 800 }, false, false, true, true);
    constrainer.resizeEnd();

    EXPECT_EQ (constrainer.frameBorder, frame);
    EXPECT_EQ (check (constrainer, requested, previous), first);
    // Content 496 by 473 widens to 522 at the ratio; the frame adds 4 by 27.
    EXPECT_EQ (first, Rect (10, 10, 526, 500));
}
