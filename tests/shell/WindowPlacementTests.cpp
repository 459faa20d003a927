// Where the main window opens: the stored state read back, and the least move that brings the window,
// frame included, inside the work area.
#include <gtest/gtest.h>

#include "WindowPlacement.h"

#if JUCE_LINUX
 #include "native/X11WorkArea.h"
#endif

#include <climits>

namespace
{
    using Rect = juce::Rectangle<int>;
    using Frame = juce::BorderSize<int>;
}

TEST (WindowPlacement, StoredStateKeepsThePlacementApartFromTheMaximisedMarkAndAPlausibleFrame)
{
    struct Case
    {
        const char* stored;
        const char* placement;
        bool maximised;
        std::optional<Frame> frame;
    };

    for (const auto& c : {
             Case { "100 50 320 290", "100 50 320 290", false, std::nullopt },
             Case { "fs 0 19 640 580 frame 20 1 5 2", "0 19 640 580", true, Frame (20, 1, 5, 2) },
             Case { "100 100 320 290 frame 200 0 0 200", "100 100 320 290", false, Frame (200, 0, 0, 200) },
             // Frames no window manager draws are dropped, the placement kept.
             Case { "100 100 320 290 frame 2000 0 0 0", "100 100 320 290", false, std::nullopt },
             Case { "100 100 320 290 frame 100000 100000 100000 100000", "100 100 320 290", false, std::nullopt },
             Case { "100 100 320 290 frame 0 -99999 0 99999", "100 100 320 290", false, std::nullopt },
             Case { "100 100 320 290 frame 0 0 201 0", "100 100 320 290", false, std::nullopt },
             // Off every screen but a window's numbers: brought back within reach later.
             Case { "99999 99999 320 290", "99999 99999 320 290", false, std::nullopt },
             // No window's numbers: JUCE's reading would wrap them, or overflow adding them up.
             Case { "-2147483648 0 320 290", "", false, std::nullopt },
             Case { "100 100 2147483647 290", "", false, std::nullopt },
             Case { "4294967396 100 320 290", "", false, std::nullopt },
         })
    {
        const auto parsed = StoredWindowState::parse (c.stored);
        EXPECT_EQ (parsed.placement, c.placement) << c.stored;
        EXPECT_EQ (parsed.maximised, c.maximised) << c.stored;
        EXPECT_EQ (parsed.frame, c.frame) << c.stored;
    }
}

TEST (WindowPlacement, TheLeastMoveBringsTheFrameInsideAndATooLargeWindowKeepsItsTitleBarInside)
{
    const Frame frame (20, 1, 5, 1);
    const Rect area (0, 30, 800, 570);

    struct Case
    {
        Rect bounds, expected;
    };

    for (const auto& c : { Case { { 100, 60, 320, 290 }, { 100, 60, 320, 290 } },     // inside: stays
                           Case { { -310, 100, 320, 290 }, { 1, 100, 320, 290 } },    // left
                           Case { { 700, 500, 320, 290 }, { 479, 305, 320, 290 } },   // right and below
                           Case { { 10, 0, 320, 290 }, { 10, 50, 320, 290 } },        // title bar above the area
                           Case { { 50, 400, 640, 580 }, { 50, 50, 640, 580 } },      // taller than the area
                           Case { { INT_MIN, 0, 320, 290 }, { 1, 50, 320, 290 } },    // the ends of int
                           Case { { INT_MAX, INT_MAX, 320, 290 }, { 479, 305, 320, 290 } } })
        EXPECT_EQ (WindowPlacement::keepWithin (c.bounds, frame, area), c.expected) << c.bounds.toString();
}

TEST (WindowPlacement, AbsurdBoundsFramesAndWorkAreasEndWithTheTitleBarOnTheScreen)
{
    auto displays = juce::Desktop::getInstance().getDisplays();
    juce::Displays::Display screen {};
    screen.isMain = true;
    screen.totalArea = screen.userArea = { 0, 0, 1280, 800 };
    screen.scale = 1.0;
    displays.displays = { screen };

    struct Case
    {
        Rect bounds;
        Frame frame;
        std::optional<Rect> workArea;
        juce::Point<int> expected;
    };

    const Frame usual (20, 1, 5, 1);
    for (const auto& c :
         { Case { { INT_MIN, INT_MIN, 320, 290 }, usual, std::nullopt, { 1, 20 } },
           Case { { INT_MAX - 9, INT_MAX - 9, 320, 290 }, usual, std::nullopt, { 959, 505 } },
           Case { { 100, 100, INT_MAX, INT_MAX }, usual, std::nullopt, { 1, 20 } },
           // Implausible frames count as none.
           Case { { 100, 100, 320, 290 }, Frame (2000, 0, 0, 0), std::nullopt, { 100, 100 } },
           Case { { 100, 100, 320, 290 }, Frame (0, -99999, 0, 99999), std::nullopt, { 100, 100 } },
           Case { { 100, 100, 320, 290 }, Frame (INT_MAX, INT_MAX, INT_MAX, INT_MAX), std::nullopt, { 100, 100 } },
           // A work area past the end of int is no area.
           Case { { 100, 100, 320, 290 }, usual, Rect (INT_MAX - 9, 0, INT_MAX, 800), { 100, 100 } } })
    {
        const auto placed = WindowPlacement::reachable (c.bounds, c.frame, displays, c.workArea);
        EXPECT_EQ (placed.getPosition(), c.expected)
            << c.bounds.toString() << " frame " << c.frame.getTop() << " " << c.frame.getLeft() << " "
            << c.frame.getBottom() << " " << c.frame.getRight();
    }
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
