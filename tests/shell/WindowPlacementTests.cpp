// Where the main window opens: the stored state read back, and the least move that brings the window,
// frame included, inside the work area.
#include <gtest/gtest.h>

#include "WindowPlacement.h"

#if JUCE_LINUX
 #include "native/X11WorkArea.h"
#endif

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

#if JUCE_LINUX
//==============================================================================
// The work area as the window manager's root properties give it; any X client can set them.
namespace
{
    struct WorkAreaCase
    {
        const char* name;
        std::vector<long> currentDesktop;
        std::optional<Rect> expected;
    };

    void PrintTo (const WorkAreaCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class CurrentWorkArea : public ::testing::TestWithParam<WorkAreaCase>
    {};
}

TEST_P (CurrentWorkArea, IsTheCurrentDesktopsAreaOrNoneForADesktopWithoutOne)
{
    // Two desktops, a panel of 30 pixels at the top of the second.
    const std::vector<long> areas { 0, 0, 1280, 800, 0, 30, 1280, 770 };
    EXPECT_EQ (currentWorkArea (areas, GetParam().currentDesktop), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P (Desktops, CurrentWorkArea,
                          ::testing::Values (WorkAreaCase { "first", { 0 }, Rect (0, 0, 1280, 800) },
                                             WorkAreaCase { "second", { 1 }, Rect (0, 30, 1280, 770) },
                                             WorkAreaCase { "noneNamedMeansTheFirst", {}, Rect (0, 0, 1280, 800) },
                                             WorkAreaCase { "onePastTheLast", { 2 }, std::nullopt },
                                             // 0xFFFFFFFF as Xlib hands it over, sign-extended, and as a plain number.
                                             WorkAreaCase { "minusOne", { -1 }, std::nullopt },
                                             WorkAreaCase { "allOnes", { 0xFFFFFFFFL }, std::nullopt },
                                             // (n + 1) * 4 wraps to 0 in 64 bits.
                                             WorkAreaCase { "fourTimesWraps", { 0x3FFFFFFFFFFFFFFFL }, std::nullopt }),
                          [] (const auto& info) { return std::string (info.param.name); });

TEST (CurrentWorkArea, AnAreaNoScreenCouldHoldMeansNone)
{
    for (const auto& areas : { std::vector<long> { -1, 0, 1280, 800 }, std::vector<long> { 0, 0, 0x80000000L, 800 },
                               std::vector<long> { 0x7FFFFFFFL, 0, 0x7FFFFFFFL, 800 },
                               std::vector<long> { 0, 0, 0, 800 }, std::vector<long> { 0, 0, 1280 } })
        EXPECT_EQ (currentWorkArea (areas, { 0 }), std::nullopt) << areas.size();
}
#endif
