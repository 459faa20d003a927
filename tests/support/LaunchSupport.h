// Helpers for tests that run the real program as its own process: starting and stopping it with its own
// home and runtime folders, finding and driving its window on the X display, and its settings file.
#pragma once

#include <juce_core/juce_core.h>
#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace launch
{
    // Polls every 20 ms until the condition holds or the timeout passes; returns whether it held.
    bool pollUntil (const std::function<bool()>& condition, int timeoutMs);

    //==============================================================================
    // Where the program's standard error goes: to the log with its output, or into a pipe whose reader
    // has already gone, as after `TolvaUSB 2>&1 | true`.
    enum class StandardError
    {
        toLog,
        toClosedPipe
    };

    // The program run as a child process, with HOME and XDG_RUNTIME_DIR replaced (XDG_CONFIG_HOME is
    // dropped so the settings land under HOME; an empty runtimeDir leaves XDG_RUNTIME_DIR unset).
    // Output goes to the given log file. It starts with SIGPIPE's default action, as a shell starts it.
    // Killed if still running when destroyed.
    class AppProcess
    {
    public:
        // `environment` holds further "NAME=value" entries that replace the inherited ones (DISPLAY, say);
        // a bare "NAME" removes that variable.
        AppProcess (const juce::File& program, const juce::StringArray& arguments, const juce::File& home,
                    const juce::File& runtimeDir, const juce::File& log, const juce::StringArray& environment = {},
                    StandardError standardError = StandardError::toLog);
        ~AppProcess();

        bool started() const noexcept { return processId > 0; }
        pid_t pid() const noexcept { return processId; }

        // Its exit code once it has ended, or nothing if it still runs after the timeout.
        std::optional<int> waitForExit (int timeoutMs);
        bool isRunning();
        // Ctrl-C: JUCE treats it as a quit request.
        void interrupt();
        // Any signal, as the system sends them: SIGTERM at logout or `kill`, SIGHUP when the terminal goes.
        void sendSignal (int signal);

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
        // A connection to the named display (":3", say).
        explicit Display (const juce::String& name);
        ~Display();

        bool isOpen() const noexcept { return handle != nullptr; }
        juce::Rectangle<int> screenBounds() const;

        // Mapped top-level windows of the given process (inside their frames under a window manager),
        // and those among them with exactly this title.
        std::vector<WindowId> windowsOf (pid_t pid) const;
        std::vector<WindowId> findWindows (const juce::String& title, pid_t pid) const;
        std::optional<juce::Rectangle<int>> boundsOf (WindowId window) const;
        // The colour shown at a point of the window's own area, or nothing if it cannot be read.
        std::optional<juce::Colour> pixelAt (WindowId window, juce::Point<int> position) const;

        void moveAndResize (WindowId window, juce::Rectangle<int> bounds);
        // Asks the window manager to maximise the window both ways, or to take it out of that state, as a
        // pager or `wmctrl -b` does.
        void requestMaximised (WindowId window, bool maximised);
        // The same for full screen.
        void requestFullScreen (WindowId window, bool fullScreen);
        // What the window's close button sends.
        void sendCloseRequest (WindowId window);
        // An event the program ignores; it makes the program read what is waiting for it.
        void nudge (WindowId window);
        // A resize asked by another program; without a window manager the server applies it as asked.
        void resize (WindowId window, int width, int height);
        // A press and release of the left button at a point of the window's own area.
        void click (WindowId window, juce::Point<int> position);
        // The same with the real pointer (XTest), paced as a hand clicks (see pointerDrag): it moves
        // there first, and whatever reads the pointer's state, as JUCE's popup menus do, sees the click
        // as a user's.
        void pointerClick (WindowId window, juce::Point<int> position);

        // The window's WM_NORMAL_HINTS, as a window manager reads them; a part the window did not set
        // stays empty.
        struct SizeHints
        {
            std::optional<juce::Point<int>> minimumSize, maximumSize;
            std::optional<juce::Point<int>> minimumAspect, maximumAspect;   // width : height
        };
        std::optional<SizeHints> sizeHints (WindowId window) const;

        // A drag with the real pointer and the left button along a path in root coordinates, each step
        // taking `stepMs` as a hand does: JUCE's menus look at the button only now and then, and a window
        // manager starts a drag only while the button is still down when it reads the press.
        // `afterEachStep` runs after each move.
        void pointerDrag (const std::vector<juce::Point<int>>& path, const std::function<void()>& afterEachStep = {},
                          int stepMs = 50);

        // The window's frame as the window manager reports it (_NET_FRAME_EXTENTS).
        std::optional<juce::BorderSize<int>> frameExtents (WindowId window) const;
        // Whether the window manager keeps the window above others (_NET_WM_STATE_ABOVE).
        bool isKeptAbove (WindowId window) const;

        //==============================================================================
        // Top-level windows as they are first shown: from the call to watchMaps on, every map of a
        // window that is a child of the root, with its title, its owner and where it stood then.
        struct MappedWindow
        {
            WindowId window;
            juce::String title;
            std::optional<pid_t> pid;
            juce::Rectangle<int> bounds;
        };
        void watchMaps();
        std::vector<MappedWindow> takeMaps (pid_t pid);

        // What happens to one window: each size it takes, and its size hints each time they are written.
        struct WindowChange
        {
            std::optional<juce::Point<int>> size;
            std::optional<SizeHints> hints;   // nothing filled when the hints were taken away
        };
        void watchWindow (WindowId window);
        std::vector<WindowChange> takeChanges();
        WindowId openFocusedWindow (juce::Rectangle<int> bounds);
        void closeWindow (WindowId window);
        // Whether the keyboard focus lies in the window or one of its children.
        bool hasFocus (WindowId window) const;

    private:
        void readEvents();

        void* handle = nullptr;
        WindowId watched = 0;
        std::map<WindowId, juce::Rectangle<int>> topLevelBounds;
        std::vector<MappedWindow> maps;
        std::vector<WindowChange> changes;

        JUCE_DECLARE_NON_COPYABLE (Display)
    };

    //==============================================================================
    // A home and a private runtime folder, as a user's login session has them.
    bool createSessionFolders (const juce::File& home, const juce::File& runtimeDir);

    // The program's main window once it stands with this title at the expected bounds, or 0. While the
    // window is built it passes through other windows and sizes, so only the final state counts.
    WindowId waitForWindowAt (const Display& display, AppProcess& app, const juce::String& title,
                              juce::Rectangle<int> expected, int timeoutMs);

    // Polls until the condition holds, sending the window an event it ignores at each round: JUCE reads
    // X events only when its connection turns readable, so an event already queued by an earlier round
    // trip waits for the next one.
    bool pollWithNudges (Display& display, WindowId window, const std::function<bool()>& condition, int timeoutMs);

    //==============================================================================
    // An X server of the test's own (Xvfb, 1024 by 768): windows that other tests open cannot reach the
    // program's, and a test may take the display away from the program. Killed when destroyed.
    class PrivateXServer
    {
    public:
        PrivateXServer() : PrivateXServer (1024, 768) {}
        // `arguments` go to Xvfb after the usual ones ("-auth <file>", say).
        PrivateXServer (int width, int height, const std::vector<std::string>& arguments = {});
        ~PrivateXServer();

        bool isRunning() const noexcept { return processId > 0; }
        // The display name, ":N".
        juce::String name() const { return ":" + juce::String (number); }
        // Ends the server with this signal and waits for it.
        void stop (int signal);

    private:
        pid_t processId = -1;
        int number = -1;

        JUCE_DECLARE_NON_COPYABLE (PrivateXServer)
    };

    //==============================================================================
    // Starts a helper program with its output discarded and these "NAME=value" entries replacing the
    // inherited ones (a bare "NAME" removes one); the process id, or -1.
    pid_t spawnQuietly (const std::vector<std::string>& argv, const juce::StringArray& environment);
    // Ends a spawned program and waits for it.
    void stopProcess (pid_t& processId, int signal);

    // Window managers from Debian, each of which treats size hints and maximising in a way of its own.
    enum class WindowManagerKind
    {
        openbox,
        fluxbox,
        icewm,
        jwm
    };

    // A window manager (openbox unless named, with its default settings) on an X server; gone when
    // destroyed. `workAreaTop` keeps that many pixels at the top of the screen out of openbox's work area,
    // as a panel does; the others have panels of their own.
    class WindowManager
    {
    public:
        WindowManager (const juce::String& displayName, const juce::File& configFolder, int workAreaTop = 0,
                       WindowManagerKind kind = WindowManagerKind::openbox);
        ~WindowManager();

        // It has started and manages the screen.
        bool isRunning() const noexcept { return managing; }

    private:
        pid_t processId = -1;
        bool managing = false;

        JUCE_DECLARE_NON_COPYABLE (WindowManager)
    };

    // An XSETTINGS manager giving the desktop this scale, as a desktop's settings daemon does.
    class DesktopScale
    {
    public:
        DesktopScale (const juce::String& displayName, const juce::File& configFolder, int scale);
        ~DesktopScale();

        bool isRunning() const noexcept { return processId > 0; }

    private:
        pid_t processId = -1;

        JUCE_DECLARE_NON_COPYABLE (DesktopScale)
    };

    //==============================================================================
    juce::File settingsFile (const juce::File& home);
    // The stored value of a key, or nothing when the file or the key is missing.
    std::optional<juce::String> storedValue (const juce::File& home, const juce::String& key);
    // The stored window state, or nothing when the file or the key is missing.
    std::optional<juce::String> storedWindowPosition (const juce::File& home);
    // Writes a settings file holding only this window state.
    bool writeWindowPosition (const juce::File& home, const juce::String& state);
}
