// The program as a user starts it: its window, the window state kept across runs, and the single
// instance that takes a second launch's command line. Each test runs the real program as its own
// process with its own home and runtime folders.
#include <gtest/gtest.h>

#include "LaunchSupport.h"

#include <filesystem>
#include <iostream>

#include <sys/stat.h>

#ifndef TOLVA_APP_PATH
 #error "TOLVA_APP_PATH must name the program under test"
#endif

namespace
{
    using launch::AppProcess;
    using launch::Display;
    using launch::WindowId;

    const juce::String windowTitle ("Tolva USB v2.0.0.0");

    // Generous: sanitizer builds start slowly.
    constexpr int startTimeoutMs = 30000;
    constexpr int exitTimeoutMs = 20000;
    // The settings store writes 3 s after a change.
    constexpr int saveTimeoutMs = 15000;
    constexpr int saveDelayMs = 3000;

    // A place a user might have moved the window to, on the 320 : 290 ratio.
    const juce::Rectangle<int> placed (100, 50, 352, 319);

    class LaunchTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE (server.isRunning()) << "needs Xvfb";
            ASSERT_TRUE (display.isOpen()) << "cannot reach the test's own X server";

            root = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tolva-launch", "", false);
            home = root.getChildFile ("home");
            runtimeDir = root.getChildFile ("run");
            ASSERT_TRUE (createSessionFolders (home, runtimeDir));
        }

        void TearDown() override
        {
            processes.clear();

            if (HasFailure())
                std::cerr << "program output:\n" << log().loadFileAsString() << std::endl;

            // The program's socket is left behind when it was killed; JUCE would not delete it.
            std::error_code ignored;
            std::filesystem::remove_all (root.getFullPathName().toStdString(), ignored);
        }

        // A home and a private runtime folder, as a user's login session has them.
        static bool createSessionFolders (const juce::File& homeDir, const juce::File& runtime)
        {
            return homeDir.createDirectory() && runtime.createDirectory()
                && ::chmod (runtime.getFullPathName().toRawUTF8(), 0700) == 0;
        }

        juce::File log() const { return root.getChildFile ("program.log"); }

        AppProcess& start (const juce::StringArray& arguments = {})
        {
            processes.push_back (std::make_unique<AppProcess> (juce::File (TOLVA_APP_PATH), arguments, home, runtimeDir,
                                                               log(), juce::StringArray { "DISPLAY=" + server.name() }));
            return *processes.back();
        }

        // The program started with this window state stored.
        AppProcess& startWithStoredState (juce::Rectangle<int> bounds)
        {
            EXPECT_TRUE (launch::writeWindowPosition (home, bounds.toString()));
            return start();
        }

        // The program's main window once it stands on screen with the expected bounds, or 0. While the
        // window is built it passes through other windows and sizes, so only the final state counts.
        WindowId waitForWindowAt (AppProcess& app, juce::Rectangle<int> expected)
        {
            WindowId found = 0;
            juce::String seen;

            launch::pollUntil ([&]
            {
                seen.clear();
                for (const auto window : display.findWindows (windowTitle, app.pid()))
                {
                    seen << boundsOf (window).toString() << "; ";
                    if (boundsOf (window) == expected)
                        found = window;
                }
                return found != 0 || ! app.isRunning();
            }, startTimeoutMs);

            if (found == 0)
                ADD_FAILURE() << "no main window at " << expected.toString() << ", windows seen: " << seen;

            return found;
        }

        juce::Rectangle<int> boundsOf (WindowId window)
        {
            return display.boundsOf (window).value_or (juce::Rectangle<int>());
        }

        // Moves the window as a user would. The program may still put its own bounds back while it
        // finishes starting, so the move is repeated until it has held for half a second.
        bool moveAndKeep (WindowId window, juce::Rectangle<int> bounds)
        {
            return launch::pollUntil ([&]
            {
                display.moveAndResize (window, bounds);
                return ! launch::pollUntil ([&] { return boundsOf (window) != bounds; }, 500);
            }, startTimeoutMs);
        }

        // 320 by 290 centred on the screen, as the program centres it.
        juce::Rectangle<int> centredDefaultBounds() const
        {
            const auto screen = display.screenBounds();
            return { screen.getCentreX() - 160, screen.getCentreY() - 145, 320, 290 };
        }

        bool storedPositionBecomes (const juce::String& expected)
        {
            return launch::pollUntil ([&] { return launch::storedWindowPosition (home) == expected; }, saveTimeoutMs);
        }

        // The user presses the close button; the program quits. JUCE reads X events only when its
        // connection turns readable, so an event that an earlier round trip already queued waits for
        // the next one: keep the connection busy, as a desktop would, until the program has ended.
        void closeAndExpectExit (AppProcess& app, WindowId window)
        {
            display.sendCloseRequest (window);

            std::optional<int> exitCode;
            launch::pollUntil ([&]
            {
                exitCode = app.waitForExit (500);
                if (! exitCode)
                    display.nudge (window);
                return exitCode.has_value();
            }, exitTimeoutMs);

            EXPECT_EQ (exitCode, std::optional<int> (0));
        }

        // An X server of this test's own: windows that tests running beside it open can neither take
        // the keyboard focus nor cover the program's window.
        launch::PrivateXServer server;
        Display display { server.name() };
        juce::File root, home, runtimeDir;
        std::vector<std::unique_ptr<AppProcess>> processes;
    };
}

//==============================================================================
TEST_F (LaunchTest, FirstStartShowsTheCentredDefaultWindow)
{
    auto& app = start();
    ASSERT_TRUE (app.started());

    // With the native title bar the window's client area is the panel's content area.
    const auto window = waitForWindowAt (app, centredDefaultBounds());
    ASSERT_NE (window, 0u);
    EXPECT_EQ (display.findWindows (windowTitle, app.pid()).size(), 1u);
    // The About box is built at start but stays hidden until it is asked for.
    EXPECT_TRUE (display.findWindows ("About Tolva USB", app.pid()).empty());

    closeAndExpectExit (app, window);
    EXPECT_EQ (launch::storedWindowPosition (home), centredDefaultBounds().toString());
}

TEST_F (LaunchTest, WindowComesBackWhereItWasAfterQuit)
{
    {
        auto& first = start();
        const auto window = waitForWindowAt (first, centredDefaultBounds());
        ASSERT_NE (window, 0u);

        ASSERT_TRUE (moveAndKeep (window, placed));
        closeAndExpectExit (first, window);
        EXPECT_EQ (launch::storedWindowPosition (home), placed.toString());
    }

    auto& second = start();
    const auto window = waitForWindowAt (second, placed);
    ASSERT_NE (window, 0u);

    // A quit requested by the system (not the close button) stores the state too.
    second.interrupt();
    EXPECT_EQ (second.waitForExit (exitTimeoutMs), std::optional<int> (0));
    EXPECT_EQ (launch::storedWindowPosition (home), placed.toString());
}

TEST_F (LaunchTest, StoredStateIsBroughtWithinLimitsAndRatio)
{
    struct Case { juce::Rectangle<int> stored, expected; };

    // 500 wide: the ratio asks for 500 * 290 / 320 = 453.1 high. 1200 by 900: the maximum, 640 by 580.
    for (const auto& c : { Case { { 60, 40, 500, 300 }, { 60, 40, 500, 453 } },
                           Case { { 60, 40, 1200, 900 }, { 60, 40, 640, 580 } } })
    {
        auto& app = startWithStoredState (c.stored);
        const auto window = waitForWindowAt (app, c.expected);
        ASSERT_NE (window, 0u) << "stored " << c.stored.toString();
        closeAndExpectExit (app, window);
    }
}

TEST_F (LaunchTest, ResetSwitchAtStartIgnoresTheStoredState)
{
    ASSERT_TRUE (launch::writeWindowPosition (home, "100 50 352 319"));

    auto& app = start ({ "/Defaults" });
    const auto window = waitForWindowAt (app, centredDefaultBounds());
    ASSERT_NE (window, 0u);

    // The stored state stays empty until the quit.
    EXPECT_TRUE (storedPositionBecomes (""));
    closeAndExpectExit (app, window);
    EXPECT_EQ (launch::storedWindowPosition (home), centredDefaultBounds().toString());
}

TEST_F (LaunchTest, SecondLaunchWithResetSwitchResetsTheRunningInstance)
{
    auto& running = startWithStoredState (placed);
    const auto window = waitForWindowAt (running, placed);
    ASSERT_NE (window, 0u);

    auto& second = start ({ "/default" });
    EXPECT_EQ (second.waitForExit (exitTimeoutMs), std::optional<int> (0)) << "the second launch did not end";

    // The running instance took the reset: it empties the stored state and writes it out.
    EXPECT_TRUE (storedPositionBecomes (""));
    EXPECT_TRUE (running.isRunning());
    EXPECT_EQ (display.findWindows (windowTitle, second.pid()).size(), 0u);
    EXPECT_EQ (display.findWindows (windowTitle, running.pid()).size(), 1u);

    // The window keeps its place and size, and the quit stores them again.
    EXPECT_EQ (boundsOf (window), placed);
    closeAndExpectExit (running, window);
    EXPECT_EQ (launch::storedWindowPosition (home), placed.toString());
}

TEST_F (LaunchTest, SecondLaunchWithoutSwitchOnlyBringsTheWindowForward)
{
    auto& running = startWithStoredState (placed);
    const auto window = waitForWindowAt (running, placed);
    ASSERT_NE (window, 0u);

    // Another window on top takes the keyboard focus.
    const auto other = display.openFocusedWindow (placed.expanded (10));
    ASSERT_TRUE (launch::pollUntil ([&] { return display.hasFocus (other); }, 5000));

    auto& second = start();
    EXPECT_EQ (second.waitForExit (exitTimeoutMs), std::optional<int> (0)) << "the second launch did not end";
    EXPECT_TRUE (launch::pollUntil ([&] { return display.hasFocus (window); }, exitTimeoutMs))
        << "the running window did not come forward";
    display.closeWindow (other);

    EXPECT_TRUE (running.isRunning());
    EXPECT_EQ (display.findWindows (windowTitle, running.pid()).size(), 1u);
    EXPECT_EQ (boundsOf (window), placed);

    // No reset: once the store's save delay has passed the stored state is still the window's.
    juce::Thread::sleep (saveDelayMs + 500);
    EXPECT_EQ (launch::storedWindowPosition (home), placed.toString());

    closeAndExpectExit (running, window);
}

TEST_F (LaunchTest, EachUserRunsAnInstanceOfTheirOwn)
{
    // Another user's session: a home and runtime folder of its own.
    const auto otherHome = root.getChildFile ("other-home");
    const auto otherRuntime = root.getChildFile ("other-run");
    ASSERT_TRUE (createSessionFolders (otherHome, otherRuntime));

    auto& mine = start();
    ASSERT_NE (waitForWindowAt (mine, centredDefaultBounds()), 0u);

    processes.push_back (std::make_unique<AppProcess> (juce::File (TOLVA_APP_PATH), juce::StringArray(), otherHome,
                                                       otherRuntime, root.getChildFile ("other.log"),
                                                       juce::StringArray { "DISPLAY=" + server.name() }));
    auto& theirs = *processes.back();
    EXPECT_NE (waitForWindowAt (theirs, centredDefaultBounds()), 0u) << "the other user's launch did not open its window";
    EXPECT_TRUE (mine.isRunning());
}
