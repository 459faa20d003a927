// What tests of the running program share: a fresh user session (home and runtime folder) for each
// start, the program started in it, the program's output shown when a test fails, and the places in
// the default window that the tests look at and click.
#pragma once

#include <gtest/gtest.h>

#include "LaunchSupport.h"

#include <filesystem>
#include <iostream>

#ifndef TOLVA_APP_PATH
 #error "TOLVA_APP_PATH must name the program under test"
#endif

namespace launch
{
    inline const juce::String mainWindowTitle ("Tolva USB v2.0.0.0");

    // Generous: sanitizer builds start slowly and the machine is shared.
    constexpr int programStartTimeoutMs = 30000;
    constexpr int programExitTimeoutMs = 20000;

    // The "Mic" input button's centre in the 320 by 290 window.
    constexpr juce::Point<int> micButtonCentre { 35, 120 };

    // The input buttons are dark grey, and orange while selected.
    inline bool looksSelected (juce::Colour c)  { return c.getRed() > 200 && c.getBlue() < 160; }
    inline bool looksDrawn (juce::Colour c)     { return c.getRed() + c.getGreen() + c.getBlue() > 60; }

    // 320 by 290 centred on a screen, as the program places its first window.
    inline juce::Rectangle<int> centredDefaultBounds (juce::Rectangle<int> screen)
    {
        return { screen.getCentreX() - 160, screen.getCentreY() - 145, 320, 290 };
    }

    class ProgramTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tolva-launch", "", false);
            ASSERT_TRUE (root.createDirectory());
            ASSERT_TRUE (newSession());
        }

        void TearDown() override
        {
            processes.clear();

            if (HasFailure())
                std::cerr << "program output:\n" << log().loadFileAsString() << std::endl;

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

        AppProcess& start (const juce::StringArray& environment = {})
        {
            processes.push_back (std::make_unique<AppProcess> (juce::File (TOLVA_APP_PATH), juce::StringArray(),
                                                               home, runtimeDir, log(), environment));
            return *processes.back();
        }

        // The sockets in the session's runtime folder, wherever the program put them.
        juce::StringArray socketsInRuntimeDir() const
        {
            juce::StringArray found;
            std::error_code error;
            for (const auto& entry : std::filesystem::recursive_directory_iterator (runtimeDir.getFullPathName().toStdString(), error))
                if (entry.is_socket())
                    found.add (entry.path().string());
            return found;
        }

        // The program has drawn its window once: JUCE puts its own bounds back at the first paint, so
        // a test moves or resizes the window only after it.
        static bool waitUntilDrawn (Display& display, WindowId window)
        {
            return pollUntil ([&] { return looksDrawn (display.pixelAt (window, micButtonCentre).value_or (juce::Colour())); },
                              programStartTimeoutMs);
        }

        juce::File root, home, runtimeDir;
        std::vector<std::unique_ptr<AppProcess>> processes;

    private:
        int sessions = 0;
    };
}
