// The program as a user starts it: its window, the window state kept across runs, the single
// instance that takes a second launch's command line, and a start where no display can be used. Each
// test runs the real program as its own process with its own home and runtime folders.
#include "ProgramFixture.h"

namespace
{
    using namespace launch;

    // The settings store writes 3 s after a change.
    constexpr int saveTimeoutMs = 15000;
    constexpr int saveDelayMs = 3000;

    // A place a user might have moved the window to, on the 320 : 290 ratio.
    const juce::Rectangle<int> placed (100, 50, 352, 319);

    class LaunchTest : public ProgramTest
    {
    protected:
        // The program started with this window state stored.
        AppProcess& startWithStoredState (juce::Rectangle<int> bounds)
        {
            EXPECT_TRUE (writeWindowPosition (home, bounds.toString()));
            return start();
        }

        // Moves the window as a user would. The program may still put its own bounds back while it
        // finishes starting, so the move is repeated until it has held for half a second.
        bool moveAndKeep (WindowId window, juce::Rectangle<int> bounds)
        {
            return pollUntil (
                [&]
                {
                display.moveAndResize (window, bounds);
                return ! pollUntil ([&] { return boundsOf (window) != bounds; }, 500);
                },
                programStartTimeoutMs);
        }

        bool storedPositionBecomes (const juce::String& expected)
        {
            return pollUntil ([&] { return storedWindowPosition (home) == expected; }, saveTimeoutMs);
        }
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
    // The About box is built at start but stays hidden until it is asked for.
    expectShownOnlyOnceAt (app, centredDefaultBounds());

    closeAndExpectExit (app, window);
    EXPECT_EQ (launch::storedWindowPosition (home), centredDefaultBounds().toString());
}

TEST_F (LaunchTest, WindowComesBackWhereItWasAfterQuit)
{
    {
        auto& first = start();
        const auto window = waitForWindowAt (first, centredDefaultBounds());
        ASSERT_NE (window, 0u);
        expectShownOnlyOnceAt (first, centredDefaultBounds());

        ASSERT_TRUE (moveAndKeep (window, placed));
        closeAndExpectExit (first, window);
        EXPECT_EQ (launch::storedWindowPosition (home), placed.toString());
    }

    auto& second = start();
    const auto window = waitForWindowAt (second, placed);
    ASSERT_NE (window, 0u);
    expectShownOnlyOnceAt (second, placed);

    // A quit requested by the system (not the close button) stores the state too.
    second.interrupt();
    EXPECT_EQ (second.waitForExit (programExitTimeoutMs), std::optional<int> (0));
    EXPECT_EQ (launch::storedWindowPosition (home), placed.toString());
}

TEST_F (LaunchTest, StoredStateIsBroughtWithinLimitsRatioAndReach)
{
    struct Case
    {
        const char* stored;
        juce::Rectangle<int> expected;
    };

    // 500 wide: the ratio asks for 500 * 290 / 320 = 453.1 high. 1200 by 900: the maximum, 640 by 580.
    // A frame no window manager draws is ignored (here, with none, the window keeps its place), and
    // numbers no window has count as nothing stored. The quit stores where the window was.
    for (const auto& c : { Case { "60 40 500 300", { 60, 40, 500, 453 } }, Case { "60 40 1200 900", { 60, 40, 640, 580 } },
                           Case { "100 100 320 290 frame 2000 0 0 0", { 100, 100, 320, 290 } },
                           Case { "100 100 320 290 frame 100000 100000 100000 100000", { 100, 100, 320, 290 } },
                           Case { "100 100 320 290 frame 0 -99999 0 99999", { 100, 100, 320, 290 } },
                           Case { "100 100 2147483647 290", centredDefaultBounds() } })
    {
        ASSERT_TRUE (writeWindowPosition (home, c.stored));
        auto& app = start();
        const auto window = waitForWindowAt (app, c.expected);
        ASSERT_NE (window, 0u) << "stored " << c.stored;
        closeAndExpectExit (app, window);
        EXPECT_EQ (launch::storedWindowPosition (home), c.expected.toString()) << "stored " << c.stored;
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
    EXPECT_EQ (second.waitForExit (programExitTimeoutMs), std::optional<int> (0)) << "the second launch did not end";

    // The running instance took the reset: it empties the stored state and writes it out.
    EXPECT_TRUE (storedPositionBecomes (""));
    EXPECT_TRUE (running.isRunning());
    EXPECT_EQ (display.findWindows (mainWindowTitle, second.pid()).size(), 0u);
    EXPECT_EQ (display.findWindows (mainWindowTitle, running.pid()).size(), 1u);

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
    EXPECT_EQ (second.waitForExit (programExitTimeoutMs), std::optional<int> (0)) << "the second launch did not end";
    EXPECT_TRUE (launch::pollUntil ([&] { return display.hasFocus (window); }, programExitTimeoutMs))
        << "the running window did not come forward";
    display.closeWindow (other);

    EXPECT_TRUE (running.isRunning());
    EXPECT_EQ (display.findWindows (mainWindowTitle, running.pid()).size(), 1u);
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

    auto& theirs = startIn (otherHome, otherRuntime);
    EXPECT_NE (waitForWindowAt (theirs, centredDefaultBounds()), 0u) << "the other user's launch did not open its window";
    EXPECT_TRUE (mine.isRunning());
}

TEST_F (LaunchTest, WithoutAUsableDisplayItSaysWhyAndLeavesNothingBehind)
{
    // A server that lets in only the clients that show its cookie; the program is given none. An
    // authority file entry: its family (any address), then address, display number, scheme and cookie.
    juce::MemoryOutputStream entry;
    entry.writeShortBigEndian ((short) 0xffff);
    for (const juce::String field : { "", "", "MIT-MAGIC-COOKIE-1", "0123456789abcdef" })
    {
        entry.writeShortBigEndian ((short) field.length());
        entry << field;
    }
    const auto authority = root.getChildFile ("Xauthority");
    ASSERT_TRUE (authority.replaceWithData (entry.getData(), entry.getDataSize()));
    PrivateXServer refusing (320, 240, { "-auth", authority.getFullPathName().toStdString() });
    ASSERT_TRUE (refusing.isRunning()) << "Xvfb did not start";

    // Test servers take the lowest free display numbers: none answers on this one.
    const juce::String unreachable (":59999");

    struct Case
    {
        juce::String display, expected;
    };

    for (const auto& c : { Case { "DISPLAY", "cannot open an X display (DISPLAY is not set)" },
                           Case { "DISPLAY=", "cannot open an X display (DISPLAY is empty)" },
                           Case { "DISPLAY=" + unreachable, "cannot open the X display \"" + unreachable
                                                                + "\" (set DISPLAY to a running X server)" },
                           Case { "DISPLAY=" + refusing.name(), "cannot open the X display \"" + refusing.name()
                                                                    + "\" (the server refused the connection)" } })
    {
        SCOPED_TRACE (c.display);
        ASSERT_TRUE (newSession());
        ASSERT_TRUE (log().deleteFile());

        auto& app = start ({}, { c.display, "XAUTHORITY=/dev/null" });
        EXPECT_EQ (app.waitForExit (programExitTimeoutMs), std::optional<int> (1));
        EXPECT_EQ (log().loadFileAsString(), "Tolva USB: " + c.expected + "\n");
        EXPECT_TRUE (socketsInRuntimeDir().isEmpty()) << "left behind: " << socketsInRuntimeDir().joinIntoString (", ");
        EXPECT_FALSE (settingsFile (home).exists());
    }
}
