// Helpers for tests that run the real program as its own process: starting and stopping it with its own
// home and runtime folders, finding and driving its window on the X display, and its settings file.
#pragma once

#include <juce_core/juce_core.h>
#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <sys/types.h>

namespace launch
{
    // Polls every 20 ms until the condition holds or the timeout passes; returns whether it held.
    bool pollUntil (const std::function<bool()>& condition, int timeoutMs);

    //==============================================================================
    // The program run as a child process, with HOME and XDG_RUNTIME_DIR replaced (XDG_CONFIG_HOME is
    // dropped so the settings land under HOME; an empty runtimeDir leaves XDG_RUNTIME_DIR unset).
    // Output goes to the given log file. Killed if still running when destroyed.
    class AppProcess
    {
    public:
        AppProcess (const juce::File& program, const juce::StringArray& arguments,
                    const juce::File& home, const juce::File& runtimeDir, const juce::File& log);
        ~AppProcess();

        bool started() const noexcept { return processId > 0; }
        pid_t pid() const noexcept { return processId; }

        // Its exit code once it has ended, or nothing if it still runs after the timeout.
        std::optional<int> waitForExit (int timeoutMs);
        bool isRunning();
        // Ctrl-C: JUCE treats it as a quit request.
        void interrupt();

    private:
        bool reap (bool block);

        pid_t processId = -1;
        std::optional<int> exitCode;

        JUCE_DECLARE_NON_COPYABLE (AppProcess)
    };

    //==============================================================================
    using WindowId = unsigned long;

    // A connection to the X display the tests run under.
    class Display
    {
    public:
        Display();
        ~Display();

        bool isOpen() const noexcept { return handle != nullptr; }
        juce::Rectangle<int> screenBounds() const;

        // Mapped top-level windows with exactly this title that belong to the given process.
        std::vector<WindowId> findWindows (const juce::String& title, pid_t pid) const;
        std::optional<juce::Rectangle<int>> boundsOf (WindowId window) const;
        // The colour shown at a point of the window's own area, or nothing if it cannot be read.
        std::optional<juce::Colour> pixelAt (WindowId window, juce::Point<int> position) const;

        void moveAndResize (WindowId window, juce::Rectangle<int> bounds);
        // What the window's close button sends.
        void sendCloseRequest (WindowId window);
        // An event the program ignores; it makes the program read what is waiting for it.
        void nudge (WindowId window);

        // A plain window of this process, mapped on top and given the keyboard focus.
        WindowId openFocusedWindow (juce::Rectangle<int> bounds);
        void closeWindow (WindowId window);
        // Whether the keyboard focus lies in the window or one of its children.
        bool hasFocus (WindowId window) const;

    private:
        void* handle = nullptr;

        JUCE_DECLARE_NON_COPYABLE (Display)
    };

    //==============================================================================
    // Launch tests share the X display and its keyboard focus: those of every test process wait for
    // each other.
    class ExclusiveLaunch
    {
    public:
        // Waits up to the timeout; check isHeld().
        explicit ExclusiveLaunch (int timeoutMs);
        ~ExclusiveLaunch();

        bool isHeld() const noexcept { return fd >= 0; }

    private:
        int fd = -1;

        JUCE_DECLARE_NON_COPYABLE (ExclusiveLaunch)
    };

    //==============================================================================
    juce::File settingsFile (const juce::File& home);
    // The stored window state, or nothing when the file or the key is missing.
    std::optional<juce::String> storedWindowPosition (const juce::File& home);
    // Writes a settings file holding only this window state.
    bool writeWindowPosition (const juce::File& home, const juce::String& state);
}
