// Where the main window opens: the stored state read back, and the least move that brings the window,
// frame included, inside the work area.
#include <gtest/gtest.h>

#include "WindowPlacement.h"

namespace
{
    using Rect = juce::Rectangle<int>;
}

TEST (WindowPlacement, StoredStateKeepsThePlacementApartFromTheMaximisedMarkAndTheFrame)
{
    const auto plain = StoredWindowState::parse ("100 50 320 290");
    EXPECT_EQ (plain.placement, "100 50 320 290");
    EXPECT_FALSE (plain.maximised);
    EXPECT_FALSE (plain.frame.has_value());

    const auto full = StoredWindowState::parse ("fs 0 19 640 580 frame 20 1 5 2");
    EXPECT_EQ (full.placement, "0 19 640 580");
    EXPECT_TRUE (full.maximised);
    ASSERT_TRUE (full.frame.has_value());
    EXPECT_EQ (*full.frame, juce::BorderSize<int> (20, 1, 5, 2));
}

TEST (WindowPlacement, TheLeastMoveBringsTheFrameInsideAndATooLargeWindowKeepsItsTitleBarInside)
{
    const juce::BorderSize<int> frame (20, 1, 5, 1);
    const Rect area (0, 30, 800, 570);

    struct Case
    {
        Rect bounds, expected;
    };

    for (const auto& c : { Case { { 100, 60, 320, 290 }, { 100, 60, 320, 290 } },     // inside: stays
                           Case { { -310, 100, 320, 290 }, { 1, 100, 320, 290 } },    // left
                           Case { { 700, 500, 320, 290 }, { 479, 305, 320, 290 } },   // right and below
                           Case { { 10, 0, 320, 290 }, { 10, 50, 320, 290 } },        // title bar above the area
                           Case { { 50, 400, 640, 580 }, { 50, 50, 640, 580 } } })    // taller than the area
        EXPECT_EQ (WindowPlacement::keepWithin (c.bounds, frame, area), c.expected) << c.bounds.toString();
}
