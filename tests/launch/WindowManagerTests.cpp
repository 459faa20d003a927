// The main window under a real window manager (openbox, which puts a frame around it and keeps a strip
// at the top of the screen out of the work area, as a panel would): it opens where a user can reach it,
// stays exactly in place while "Always on top" changes, and a drag of the frame's grip never takes it
// past its limits and ends at the largest size they allow. Under openbox, fluxbox, icewm and jwm alike,
// the size the user left comes back at every start, and maximising, full screen or a size too small
// leave the window within its limits, drawn all over.
#include "ProgramFixture.h"

#include <csignal>

namespace
{
    using namespace launch;
    using Rect = juce::Rectangle<int>;

    constexpr int workAreaTop = 30;

    class WindowManagerTest : public ProgramTest
    {
    protected:
        void SetUp() override
        {
            ProgramTest::SetUp();
            windowManager = std::make_unique<WindowManager> (server.name(), root.getChildFile ("wm"), workAreaTop, kind());
            ASSERT_TRUE (windowManager->isRunning()) << "the window manager did not start";
        }

        virtual WindowManagerKind kind() const { return WindowManagerKind::openbox; }

        void TearDown() override
        {
            ProgramTest::TearDown();
            windowManager.reset();
        }

        // The program's main window once it is shown and drawn, wherever it is.
        WindowId waitForMainWindow (AppProcess& app)
        {
            WindowId found = 0;
            pollUntil (
                [&]
                {
                const auto windows = display.findWindows (mainWindowTitle, app.pid());
                found = windows.size() == 1 ? windows.front() : 0;
                return (found != 0 && display.frameExtents (found)) || ! app.isRunning();
                },
                programStartTimeoutMs);

            return found != 0 && waitUntilDrawn (display, found) ? found : 0;
        }

        Rect screen() const { return display.screenBounds(); }

        std::unique_ptr<WindowManager> windowManager;
    };

    //==============================================================================
    struct PlacementCase
    {
        const char* name;
        const char* stored;
        // Where the window's own area must be, given the screen and the frame.
        Rect (*expected) (Rect screen, juce::BorderSize<int> frame);
    };

    void PrintTo (const PlacementCase& c, std::ostream* os)
    {
        *os << c.name << " (stored \"" << c.stored << "\")";
    }

    class StoredPlacement : public WindowManagerTest,
                            public ::testing::WithParamInterface<PlacementCase>
    {};
}

TEST_P (StoredPlacement, OpensWithinTheWorkAreaAndExactlyAsStoredWhenItFits)
{
    ASSERT_TRUE (writeWindowPosition (home, GetParam().stored));
    auto& app = start();
    const auto window = waitForMainWindow (app);
    ASSERT_NE (window, 0u);

    const auto frame = *display.frameExtents (window);
    const auto expected = GetParam().expected (screen(), frame);
    EXPECT_EQ (boundsOf (window), expected);
    // Frame and all, inside the work area: the strip at the top stays free.
    EXPECT_TRUE (screen().withTrimmedTop (workAreaTop).contains (frame.addedTo (boundsOf (window))))
        << frame.addedTo (boundsOf (window)).toString();

    closeAndExpectExit (app, window);
}

INSTANTIATE_TEST_SUITE_P (
    Stored, StoredPlacement,
    ::testing::Values (PlacementCase { "entirelyOnScreen", "100 50 320 290 frame 20 1 5 1",
                                       [] (Rect, juce::BorderSize<int>) { return Rect (100, 50, 320, 290); } },
                       PlacementCase { "mostlyLeftOfTheScreen", "-310 100 320 290",
                                       [] (Rect, juce::BorderSize<int> f) { return Rect (f.getLeft(), 100, 320, 290); } },
                       PlacementCase { "belowAndRightOfASmallerScreen", "3000 2000 320 290",
                                       [] (Rect s, juce::BorderSize<int> f) {
    return Rect (s.getRight() - f.getRight() - 320, s.getBottom() - f.getBottom() - 290, 320, 290);
                                      } },
                       PlacementCase { "titleBarUnderThePanel", "0 0 320 290",
                                       [] (Rect, juce::BorderSize<int> f) {
    return Rect (f.getLeft(), workAreaTop + f.getTop(), 320, 290);
                                      } },
    PlacementCase { "quitWhileMaximised", "0 19 640 580 frame 20 1 5 1",
                    [] (Rect, juce::BorderSize<int> f) { return Rect (f.getLeft(), workAreaTop + f.getTop(), 640, 580); } }),
    [] (const auto& info) { return std::string (info.param.name); });

// Stored at the bottom right of a 3840 by 2160 desktop at scale 1, opened after the scale went to 2:
// the desktop is 1920 by 1080 now, and the window comes back onto it, twice the size in pixels.
TEST_F (WindowManagerTest, WindowStoredBeforeTheDesktopScaleDoubledOpensOnScreen)
{
    PrivateXServer large (3840, 2160);
    ASSERT_TRUE (large.isRunning());
    DesktopScale scale (large.name(), root.getChildFile ("xsettings"), 2);
    ASSERT_TRUE (scale.isRunning()) << "xsettingsd did not start";
    WindowManager manager (large.name(), root.getChildFile ("wm-large"));
    ASSERT_TRUE (manager.isRunning());
    Display screen (large.name());

    ASSERT_TRUE (writeWindowPosition (home, "3521 1607 320 290 frame 20 1 5 1"));
    auto& app = start ({}, { "DISPLAY=" + large.name() });

    WindowId window = 0;
    ASSERT_TRUE (pollUntil (
        [&]
        {
        const auto windows = screen.findWindows (mainWindowTitle, app.pid());
        window = windows.size() == 1 ? windows.front() : 0;
        return window != 0 && screen.frameExtents (window);
        },
        programStartTimeoutMs));

    const auto bounds = *screen.boundsOf (window);
    EXPECT_EQ (bounds.getWidth(), 640);
    EXPECT_EQ (bounds.getHeight(), 580);
    EXPECT_TRUE (screen.screenBounds().contains (screen.frameExtents (window)->addedTo (bounds))) << bounds.toString();

    app.sendSignal (SIGTERM);
    EXPECT_EQ (app.waitForExit (programExitTimeoutMs), std::optional<int> (0));
}

// JUCE makes a new native window each time "Always on top" changes. Ten changes in a row: the program
// lives on, the window manager keeps it above others every other time, and it never moves.
TEST_F (WindowManagerTest, AlwaysOnTopKeepsTheWindowExactlyInPlace)
{
    auto& app = start();
    auto window = waitForMainWindow (app);
    ASSERT_NE (window, 0u);
    const auto placed = boundsOf (window);

    for (int toggle = 1; toggle <= 10; ++toggle)
    {
        SCOPED_TRACE ("toggle " + juce::String (toggle));
        const bool above = toggle % 2 == 1;

        ASSERT_TRUE (pickFromMenu (app, window, fileMenuCentre, alwaysOnTopItem));

        ASSERT_TRUE (pollUntil (
            [&]
            {
            const auto windows = display.findWindows (mainWindowTitle, app.pid());
            window = windows.size() == 1 ? windows.front() : 0;
            return window != 0 && display.isKeptAbove (window) == above && display.windowsOf (app.pid()).size() == 1
                   && display.frameExtents (window);
            },
            programStartTimeoutMs))
            << "running: " << app.isRunning() << ", windows: " << display.windowsOf (app.pid()).size()
            << ", above: " << (window != 0 && display.isKeptAbove (window));

        EXPECT_EQ (boundsOf (window), placed);
    }

    closeAndExpectExit (app, window);
    EXPECT_EQ (storedWindowPosition (home).value_or ("").upToFirstOccurrenceOf (" frame", false, false), placed.toString());
}

// The user drags the frame's bottom right grip to the far corner of the screen. Each size the window
// passes through and each set of hints the window manager reads keeps the limits and the ratio; the
// drag ends at the largest size they allow, which stays once the button is released.
TEST_F (WindowManagerTest, DraggingTheGripKeepsTheLimitsAndEndsAtTheLargestSize)
{
    ASSERT_TRUE (writeWindowPosition (home, "40 60 320 290"));
    auto& app = start();
    const auto window = waitForMainWindow (app);
    ASSERT_NE (window, 0u);

    const auto outer = display.frameExtents (window)->addedTo (boundsOf (window));
    const juce::Point<int> grip (outer.getRight() - 3, outer.getBottom() - 2);
    const juce::Point<int> corner (screen().getRight() - 1, screen().getBottom() - 1);

    std::vector<juce::Point<int>> path;
    for (int step = 0; step <= 10; ++step)
        path.push_back (grip + (corner - grip) * step / 10);

    display.watchWindow (window);
    std::vector<Display::WindowChange> during;
    display.pointerDrag (path,
                         [&]
                         {
        for (auto& change : display.takeChanges())
            during.push_back (change);
    });

    for (auto& change : display.takeChanges())
        during.push_back (change);
    ASSERT_FALSE (during.empty());

    for (const auto& change : during)
    {
        if (change.size)
        {
            EXPECT_TRUE (keepsTheLimits (*change.size)) << change.size->toString();
        }
        if (change.hints)
        {
            EXPECT_EQ (change.hints->minimumSize, juce::Point<int> (219, 198));
            EXPECT_EQ (change.hints->maximumSize, juce::Point<int> (640, 580));
            EXPECT_TRUE (isTheRatioRange (*change.hints));
        }
    }

    EXPECT_EQ (boundsOf (window), Rect (40, 60, 640, 580));

    // Released: whatever the program does next leaves the size as it is.
    pollUntil ([] { return false; }, 1000);
    for (const auto& change : display.takeChanges())
        EXPECT_EQ (change.size.value_or (juce::Point<int> (640, 580)), juce::Point<int> (640, 580));
    EXPECT_EQ (boundsOf (window), Rect (40, 60, 640, 580));

    closeAndExpectExit (app, window);
}

//==============================================================================
namespace launch
{
    void PrintTo (WindowManagerKind kind, std::ostream* os)
    {
        const char* names[] = { "openbox", "fluxbox", "icewm", "jwm" };
        *os << names[(int) kind];
    }
}

namespace
{
    juce::Point<int> sizeOf (const Rect& bounds)
    {
        return { bounds.getWidth(), bounds.getHeight() };
    }

    // The size in a stored window state.
    juce::Point<int> storedSize (const juce::File& home)
    {
        auto tokens = juce::StringArray::fromTokens (storedWindowPosition (home).value_or (""), false);
        tokens.removeString ("fs");
        return { tokens[2].getIntValue(), tokens[3].getIntValue() };
    }

    class EveryWindowManager : public WindowManagerTest,
                               public ::testing::WithParamInterface<WindowManagerKind>
    {
    protected:
        WindowManagerKind kind() const override { return GetParam(); }

        // The window keeps its limits and the panel is drawn into its far corner, not the window's bare
        // light grey.
        bool keepsTheLimitsDrawnAllOver (WindowId window)
        {
            const auto size = sizeOf (boundsOf (window));
            const auto corner = display.pixelAt (window, size - juce::Point<int> (3, 3));
            return keepsTheLimits (size) && corner && corner->getBrightness() < 0.5f;
        }

        // Polls until the condition holds for the sizes the watched window took so far, and its size
        // has not changed for half a second: a window that kept resizing itself never gets there. The
        // quiet counts from the last change seen, so a slow machine only makes the wait longer.
        // `eachRound` runs first at every round.
        ::testing::AssertionResult settles (WindowId window,
                                            const std::function<bool (const std::vector<juce::Point<int>>&)>& condition,
                                            const std::function<void()>& eachRound = {})
        {
            std::vector<juce::Point<int>> taken;
            auto lastChange = std::chrono::steady_clock::now();

            const auto settled = pollWithNudges (
                display, window,
                [&]
                {
                if (eachRound)
                    eachRound();
                for (const auto& change : display.takeChanges())
                {
                    if (change.size)
                    {
                        taken.push_back (*change.size);
                        lastChange = std::chrono::steady_clock::now();
                    }
                }
                const auto quiet = std::chrono::steady_clock::now() - lastChange >= std::chrono::milliseconds (500);
                return quiet && condition (taken);
                },
                programStartTimeoutMs);

            if (settled)
                return ::testing::AssertionSuccess();

            juce::String sizes;
            for (const auto size : taken)
                sizes << size.toString() << "; ";
            return ::testing::AssertionFailure() << "the window at " << boundsOf (window).toString() << " after " << sizes;
        }
    };
}

// The user leaves the window at a size off the exact ratio; start after start, it comes back at that size.
TEST_P (EveryWindowManager, TheSizeTheUserLeftComesBackAtEveryStart)
{
    auto* app = &start();
    auto window = waitForMainWindow (*app);
    ASSERT_NE (window, 0u);

    // As the window first appears, the program puts its size back once more, whatever came meanwhile:
    // the user then resizes again.
    display.watchWindow (window);
    const juce::Point<int> first (320, 290);
    ASSERT_TRUE (settles (
        window, [&] (const auto&) { return sizeOf (boundsOf (window)) != first && keepsTheLimitsDrawnAllOver (window); },
        [&]
        {
        if (sizeOf (boundsOf (window)) == first)
            display.moveAndResize (window, { 200, 150, 400, 300 });
        }));
    closeAndExpectExit (*app, window);

    const auto left = storedSize (home);
    ASSERT_TRUE (keepsTheLimits (left)) << left.toString();
    ASSERT_NE (left, juce::Point<int> (320, 290));

    for (int run = 1; run <= 2; ++run)
    {
        SCOPED_TRACE ("start " + juce::String (run));
        app = &start();
        window = waitForMainWindow (*app);
        ASSERT_NE (window, 0u);
        EXPECT_EQ (sizeOf (boundsOf (window)), left);
        closeAndExpectExit (*app, window);
        EXPECT_EQ (storedSize (home), left);
    }
}

// The smallest size is as near the ratio as whole pixels allow, not at it: no window manager takes it
// below the minimum, start after start.
TEST_P (EveryWindowManager, TheSmallestSizeComesBackAsItIs)
{
    ASSERT_TRUE (writeWindowPosition (home, "100 100 219 198"));

    for (int run = 1; run <= 2; ++run)
    {
        SCOPED_TRACE ("start " + juce::String (run));
        auto& app = start();
        const auto window = waitForMainWindow (app);
        ASSERT_NE (window, 0u);
        EXPECT_EQ (sizeOf (boundsOf (window)), juce::Point<int> (219, 198));
        closeAndExpectExit (app, window);
        EXPECT_EQ (storedSize (home), juce::Point<int> (219, 198));
    }
}

// Some window managers maximise or fill the screen past a window's limits: the window leaves such a
// state, drawn all over within its limits, and stays so.
TEST_P (EveryWindowManager, MaximisedOrFullScreenTheWindowKeepsItsLimits)
{
    struct Step
    {
        const char* name;
        std::function<void (WindowId)> request;
    };
    const Step steps[] = {
        { "maximise", [&] (WindowId window) { display.requestMaximised (window, true); } },
        { "full screen", [&] (WindowId window) { display.requestFullScreen (window, true); } },
    };

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.name);
        ASSERT_TRUE (newSession());
        auto& app = start();
        const auto window = waitForMainWindow (app);
        ASSERT_NE (window, 0u);
        const auto normal = sizeOf (boundsOf (window));
        display.watchWindow (window);
        step.request (window);

        // The window manager acts, then the window answers, and then its size stays.
        ASSERT_TRUE (settles (window,
                              [&] (const auto& taken)
                              {
            const auto acted = std::any_of (taken.begin(), taken.end(), [&] (auto size) { return size != normal; });
            return acted && keepsTheLimitsDrawnAllOver (window);
        }));

        closeAndExpectExit (app, window);
        EXPECT_TRUE (keepsTheLimits (storedSize (home))) << storedSize (home).toString();
    }
}

INSTANTIATE_TEST_SUITE_P (WindowManagers, EveryWindowManager,
                          ::testing::Values (WindowManagerKind::openbox, WindowManagerKind::fluxbox,
                                             WindowManagerKind::icewm, WindowManagerKind::jwm),
                          [] (const auto& info)
                          {
    std::ostringstream name;
    PrintTo (info.param, &name);
    return name.str();
});
