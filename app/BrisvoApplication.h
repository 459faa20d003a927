// The application object and its one main window, which holds the control panel. The program runs as
// a single instance: a second launch hands its command line to the running one and ends.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "OXVBorderBoundsConstrainer.h"
#include "SingleInstanceChannel.h"
#include "WindowPlacement.h"

#if JUCE_LINUX
 #include "native/QuitSignalWatcher.h"
 #include "native/WindowLimitsKeeper.h"
 #include "native/WindowStateCache.h"
 #include "native/X11WorkArea.h"
 #include "native/XConnectionLossHandler.h"
 #include "native/XDisplayConnection.h"
#endif

#include <memory>

class MainComponent;

class BrisvoApplication : public juce::JUCEApplication
{
public:
    BrisvoApplication();
    ~BrisvoApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    // The reset switch: the whole parameter string is "/default" or "/defaults", in any letter case.
    static bool isResetSwitch (const juce::String& parameters);

    // The settings key of the main window's state.
    static constexpr const char* windowPositionKey = "WindowPosition";

    class MainWindow : public juce::DocumentWindow
    {
    public:
        MainWindow (const juce::String& name, bool reset);
        ~MainWindow() override;

        void closeButtonPressed() override;

        // The panel this window holds, or null.
        MainComponent* getPanel() const;

        // How long the window waits for the window manager to tell its frame before it is shown.
        static constexpr int frameRequestTimeoutMs = 250;

    private:
        // Places the window as stored (or centred); returns what was stored.
        StoredWindowState restoreWindowState (bool reset);
        // Moves the window, frame included, inside the work area of its display.
        void placeWithinReach (std::optional<juce::BorderSize<int>> storedFrame);
        std::optional<juce::BorderSize<int>> frameBeforeShown() const;
        // What panels and docks leave of the desktop where the displays' own areas don't say so.
        static std::optional<juce::Rectangle<int>> desktopWorkArea();

#if JUCE_LINUX
        // JUCE constrains only its own resizes here; this holds the limits against every other one.
        std::unique_ptr<WindowLimitsKeeper> limitsKeeper;
#endif
        std::unique_ptr<BorderBoundsConstrainer> constrainer;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

    MainWindow* getMainWindow() const noexcept
    {
        return mainWindow.get();
    }

private:
    std::unique_ptr<MainWindow> mainWindow;
    // Where a second launch's command line arrives while this instance runs.
    std::unique_ptr<SingleInstanceChannel> instanceChannel;
    // This launch's command line was taken by the running instance, so this one ends.
    bool handedOver = false;

#if JUCE_LINUX
    // Writes the window state and the device choices to the file at once, and removes the channel.
    void saveBeforeDisplayLost();

    // SIGTERM, SIGHUP and SIGINT quit as the close button does.
    std::unique_ptr<QuitSignalWatcher> quitSignals;
    std::unique_ptr<WindowStateCache> windowState;
    std::unique_ptr<XConnectionLossHandler> displayLossHandler;
#endif
};
