// What tests of the running program share: an X server of the test's own, a fresh user session (home
// and runtime folder) for each start, the program started in it, its main window found and closed, the
// program's output shown when a test fails, and the places in the default window the tests look at.
#pragma once

#include <gtest/gtest.h>

#include "LaunchSupport.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#ifndef TOLVA_APP_PATH
 #error "TOLVA_APP_PATH must name the program under test"
#endif

// Rectangles and points as a failed check shows them.
namespace juce
{
    inline void PrintTo (const Rectangle<int>& r, std::ostream* os)
    {
        *os << r.toString();
    }
    inline void PrintTo (const Point<int>& p, std::ostream* os)
    {
        *os << p.toString();
    }
}

namespace launch
{
    inline const juce::String mainWindowTitle ("Tolva USB v2.0.0.0");

    // Generous: sanitizer builds start slowly and the machine is shared.
    constexpr int programStartTimeoutMs = 30000;
    constexpr int programExitTimeoutMs = 20000;

    // The "Mic" input button's centre in the 320 by 290 window.
    constexpr juce::Point<int> micButtonCentre { 35, 120 };
    // "File" in the menu bar at the window's top, and points on the items "Always on top" and "macOS
    // Audio Settings" of its menu, which opens below it: right of the items' text, on the menu's plain
    // background.
    constexpr juce::Point<int> fileMenuCentre { 24, 12 };
    constexpr juce::Point<int> alwaysOnTopItem { 190, 36 };
    constexpr juce::Point<int> audioSettingsItem { 190, 64 };

    // The input buttons are dark grey, and orange while selected.
    inline bool looksSelected (juce::Colour c)
    {
        return c.getRed() > 200 && c.getBlue() < 160;
    }
    inline bool looksDrawn (juce::Colour c)
    {
        return c.getRed() + c.getGreen() + c.getBlue() > 60;
    }

    // The window manager is told a narrow range of ratios about 320 : 290: it takes both of the sizes
    // nearest to the ratio at the smallest height (218 and 219 by 198), and not one a pixel further off.
    inline bool isTheRatioRange (const Display::SizeHints& hints)
    {
        if (! hints.minimumAspect || ! hints.maximumAspect)
            return false;

        const auto within = [&hints] (int width, int height)
        {
            return (juce::int64) width * hints.minimumAspect->y >= (juce::int64) height * hints.minimumAspect->x
                   && (juce::int64) width * hints.maximumAspect->y <= (juce::int64) height * hints.maximumAspect->x;
        };
        return within (218, 198) && within (219, 198) && ! within (217, 198) && ! within (220, 198);
    }

    // Within the limits and at 320:290 as closely as whole pixels allow: the range the window manager
    // is told, scaled to this height, and a pixel more that a window manager may round on its way there.
    inline bool keepsTheLimits (juce::Point<int> size)
    {
        return size.x >= 219 && size.y >= 198 && size.x <= 640 && size.y <= 580
               && std::abs (size.x - size.y * 320.0 / 290.0) <= 1.0 + size.y * 0.5 / 198.0;
    }

    // 320 by 290 centred on a screen, as the program places its first window.
    inline juce::Rectangle<int> centredDefaultBounds (juce::Rectangle<int> screen)
    {
        return { screen.getCentreX() - 160, screen.getCentreY() - 145, 320, 290 };
    }

    // Every test runs its programs on an X server of its own: windows that tests running beside it open
    // can neither take the keyboard focus nor cover the program's window.
    class ProgramTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE (server.isRunning()) << "Xvfb did not start";
            ASSERT_TRUE (display.isOpen()) << "cannot reach the test's own X server";
            display.watchMaps();

            root = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tolva-launch", "", false);
            ASSERT_TRUE (root.createDirectory());
            ASSERT_TRUE (newSession());
        }

        void TearDown() override
        {
            // A stopped program goes on, so that it ends as the others do.
            for (const auto& p : processes)
                if (p->isRunning())
                    p->sendSignal (SIGCONT);

            processes.clear();

            if (HasFailure())
                std::cerr << "program output:\n" << log().loadFileAsString() << std::endl;

            // The program's socket is left behind when it was killed; JUCE would not delete it.
            std::error_code ignored;
            std::filesystem::remove_all (root.getFullPathName().toStdString(), ignored);
        }

        // A user session of its own for the next start.
        bool newSession()
        {
            ++sessions;
            home = root.getChildFile ("home" + juce::String (sessions));
            runtimeDir = root.getChildFile ("run" + juce::String (sessions));
            return createSessionFolders (home, runtimeDir);
        }

        juce::File log() const { return root.getChildFile ("program.log"); }

        // The program started in the current session on the test's X server; `environment` holds
        // further "NAME=value" entries, DISPLAY among them when the program belongs elsewhere (a bare
        // "DISPLAY" leaves it unset).
        AppProcess& start (const juce::StringArray& arguments = {}, const juce::StringArray& environment = {})
        {
            return startIn (home, runtimeDir, arguments, environment);
        }

        // The same in other session folders; an empty runtime folder leaves XDG_RUNTIME_DIR unset.
        AppProcess& startIn (const juce::File& homeDir, const juce::File& runtime, const juce::StringArray& arguments = {},
                             const juce::StringArray& environment = {}, StandardError standardError = StandardError::toLog)
        {
            auto fullEnvironment = environment;
            if (! std::any_of (environment.begin(), environment.end(),
                               [] (const auto& entry)
                               { return entry.upToFirstOccurrenceOf ("=", false, false) == "DISPLAY"; }))
                fullEnvironment.add ("DISPLAY=" + server.name());

            processes.push_back (std::make_unique<AppProcess> (juce::File (TOLVA_APP_PATH), arguments, homeDir, runtime,
                                                               log(), fullEnvironment, standardError));
            return *processes.back();
        }

        // 320 by 290 centred on the test's screen, as the program places its first window.
        juce::Rectangle<int> centredDefaultBounds() const
        {
            return launch::centredDefaultBounds (display.screenBounds());
        }

        juce::Rectangle<int> boundsOf (WindowId window) const
        {
            return display.boundsOf (window).value_or (juce::Rectangle<int>());
        }

        // The program's main window once it stands on screen with the expected bounds, or 0 (a failure).
        WindowId waitForWindowAt (AppProcess& app, juce::Rectangle<int> expected, int timeoutMs = programStartTimeoutMs)
        {
            const auto found = launch::waitForWindowAt (display, app, mainWindowTitle, expected, timeoutMs);

            if (found == 0)
            {
                juce::String seen;
                for (const auto window : display.findWindows (mainWindowTitle, app.pid()))
                    seen << boundsOf (window).toString() << "; ";
                ADD_FAILURE() << "no main window at " << expected.toString() << ", windows seen: " << seen;
            }

            return found;
        }

        // Every window the program has shown since it started: only its main window, once, at these
        // bounds, never at a place or size it had on the way there.
        void expectShownOnlyOnceAt (AppProcess& app, juce::Rectangle<int> bounds)
        {
            const auto maps = display.takeMaps (app.pid());
            juce::String seen;
            for (const auto& m : maps)
                seen << "\"" << m.title << "\" at " << m.bounds.toString() << "; ";

            ASSERT_EQ (maps.size(), 1u) << seen;
            EXPECT_EQ (maps.front().title, mainWindowTitle);
            EXPECT_EQ (maps.front().bounds, bounds);
        }

        // The user opens a menu of the bar and picks an item, with the real pointer: JUCE's menus read
        // its state. The menu is a window of the program's own; the pick succeeds once it has gone.
        ::testing::AssertionResult pickFromMenu (AppProcess& app, WindowId window, juce::Point<int> menu, juce::Point<int> item)
        {
            WindowId popup = 0;
            const auto menuShown = [&]
            {
                for (const auto w : display.windowsOf (app.pid()))
                    if (w != window && (popup == 0 || w == popup))
                        return (popup = w) != 0;
                return false;
            };

            display.pointerClick (window, menu);
            if (! pollWithNudges (display, window, menuShown, programStartTimeoutMs))
                return ::testing::AssertionFailure() << "the menu did not open";

            // A menu takes no click in its first 250 ms.
            std::this_thread::sleep_for (std::chrono::milliseconds (300));
            display.pointerClick (window, item);
            if (! pollWithNudges (
                    display, window, [&] { return ! menuShown(); }, programStartTimeoutMs))
                return ::testing::AssertionFailure() << "the menu stayed open";

            return ::testing::AssertionSuccess();
        }

        // The user presses the close button; the program quits. JUCE reads X events only when its
        // connection turns readable, so an event that an earlier round trip already queued waits for
        // the next one: keep the connection busy, as a desktop would, until the program has ended.
        void closeAndExpectExit (AppProcess& app, WindowId window)
        {
            display.sendCloseRequest (window);

            std::optional<int> exitCode;
            pollUntil (
                [&]
                {
                exitCode = app.waitForExit (500);
                if (! exitCode)
                    display.nudge (window);
                return exitCode.has_value();
                },
                programExitTimeoutMs);

            EXPECT_EQ (exitCode, std::optional<int> (0));
        }

        // The sockets in the session's runtime folder, wherever the program put them.
        juce::StringArray socketsInRuntimeDir() const
        {
            juce::StringArray found;
            std::error_code error;
            for (const auto& entry :
                 std::filesystem::recursive_directory_iterator (runtimeDir.getFullPathName().toStdString(), error))
                if (entry.is_socket())
                    found.add (entry.path().string());
            return found;
        }

        // The program has drawn its window once: JUCE puts its own bounds back at the first paint, so
        // a test moves or resizes the window only after it.
        static bool waitUntilDrawn (Display& display, WindowId window)
        {
            return pollUntil (
                [&] { return looksDrawn (display.pixelAt (window, micButtonCentre).value_or (juce::Colour())); },
                programStartTimeoutMs);
        }

        PrivateXServer server;
        Display display { server.name() };
        juce::File root, home, runtimeDir;
        std::vector<std::unique_ptr<AppProcess>> processes;

    private:
        int sessions = 0;
    };
}
