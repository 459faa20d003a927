// Every way the system ends the program keeps what the user set: the window's place and the input
// choice reach the settings file, and the single-instance socket goes away. SIGTERM comes with a
// logout, `kill` or a service stop, SIGHUP when the terminal goes, SIGINT from Ctrl-C, each maybe again
// and again until the program has gone; a desktop session that ends takes the X server with it. A
// standard error nobody reads any more ends nothing.
#include "ProgramFixture.h"

#include <csignal>
#include <cstring>

namespace
{
    using namespace launch;

    // Where the user moves the window before the program is asked to end; the size stays 320 by 290,
    // where the "Mic" button sits at the point the tests click.
    const juce::Rectangle<int> moved (100, 50, 320, 290);

    class QuitPathTest : public ProgramTest
    {
    protected:
        // The user moves the window, then clicks "Mic". The program draws "Mic" selected only after
        // it has handled the move that came before the click: then both are the program's state.
        static ::testing::AssertionResult moveAndSelectMic (Display& display, WindowId window)
        {
            if (! waitUntilDrawn (display, window))
                return ::testing::AssertionFailure() << "the window was never drawn";

            display.moveAndResize (window, moved);
            display.click (window, micButtonCentre);

            if (! pollWithNudges (
                    display, window,
                    [&] { return looksSelected (display.pixelAt (window, micButtonCentre).value_or (juce::Colour())); },
                    programStartTimeoutMs))
                return ::testing::AssertionFailure() << "\"Mic\" was not drawn selected";

            if (display.boundsOf (window) != moved)
                return ::testing::AssertionFailure() << "the window is at " << display.boundsOf (window)->toString();

            return ::testing::AssertionSuccess();
        }

        // The signal every millisecond, as a session manager that insists sends it, from the first one
        // (which asks the program to end) until the program has ended: the whole of its quit hears it.
        // It goes only to a process not yet reaped, never to another that took over its number.
        static void sendUntilEnded (AppProcess& app, int signal)
        {
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (programExitTimeoutMs);
            while (app.isRunning() && std::chrono::steady_clock::now() < end)
            {
                app.sendSignal (signal);
                std::this_thread::sleep_for (std::chrono::milliseconds (1));
            }
        }

        // What the file holds once the program has ended.
        void expectSettingsAndNoSocket()
        {
            EXPECT_EQ (storedValue (home, "WindowPosition"), moved.toString());
            EXPECT_EQ (storedValue (home, "MON_INPUT"), juce::String ("1"));
            EXPECT_TRUE (socketsInRuntimeDir().isEmpty()) << "left behind: " << socketsInRuntimeDir().joinIntoString (", ");
        }
    };
}

TEST_F (QuitPathTest, TermHangupAndInterruptEndTheProgramAsItsCloseButtonDoes)
{
    for (const int signal : { SIGTERM, SIGHUP, SIGINT })
    {
        SCOPED_TRACE (strsignal (signal));
        ASSERT_TRUE (newSession());

        auto& app = start();
        const auto window = waitForWindowAt (app, centredDefaultBounds());
        ASSERT_NE (window, 0u);
        ASSERT_TRUE (moveAndSelectMic (display, window));
        ASSERT_FALSE (socketsInRuntimeDir().isEmpty()) << "the program listens for a second launch";

        sendUntilEnded (app, signal);

        EXPECT_EQ (app.waitForExit (programExitTimeoutMs), std::optional<int> (0));
        expectSettingsAndNoSocket();
    }
}

TEST_F (QuitPathTest, LostDisplayStillSavesTheSettingsAndRemovesTheSocket)
{
    // The X server ended in order (a session that closes) or killed outright: each run on a server of
    // its own that the test can take away, not the fixture's.
    for (const int signal : { SIGTERM, SIGKILL })
    {
        SCOPED_TRACE (strsignal (signal));
        ASSERT_TRUE (newSession());

        PrivateXServer server;
        ASSERT_TRUE (server.isRunning()) << "Xvfb did not start";
        auto& app = start ({}, { "DISPLAY=" + server.name() });

        {
            // The test's own connection goes before the server does.
            Display display (server.name());
            ASSERT_TRUE (display.isOpen());

            const auto window =
                launch::waitForWindowAt (display, app, mainWindowTitle,
                                         launch::centredDefaultBounds (display.screenBounds()), programStartTimeoutMs);
            ASSERT_NE (window, 0u);
            ASSERT_TRUE (moveAndSelectMic (display, window));
            ASSERT_FALSE (socketsInRuntimeDir().isEmpty());
        }

        server.stop (signal);

        // Xlib ends the program once its connection is gone; the status tells of the loss.
        EXPECT_EQ (app.waitForExit (programExitTimeoutMs), std::optional<int> (1));
        expectSettingsAndNoSocket();
    }
}

TEST_F (QuitPathTest, ClosedStandardErrorLeavesTheProgramRunningAndItsSettingsKept)
{
    // As after `TolvaUSB 2>&1 | true`. "macOS Audio Settings" writes a line there, which fails.
    auto& app = startIn (home, runtimeDir, {}, {}, StandardError::toClosedPipe);
    const auto window = waitForWindowAt (app, centredDefaultBounds());
    ASSERT_NE (window, 0u);
    ASSERT_TRUE (moveAndSelectMic (display, window));

    // The item runs from a message posted as its menu went; the close request comes after it.
    ASSERT_TRUE (pickFromMenu (app, window, fileMenuCentre, audioSettingsItem));
    ASSERT_TRUE (app.isRunning());

    closeAndExpectExit (app, window);
    expectSettingsAndNoSocket();
}
