#include "BrisvoApplication.h"

#include "MainComponent.h"

#include <cstdio>

namespace
{
    juce::PropertiesFile* settingsOf (MainComponent* panel)
    {
        return panel != nullptr ? panel->appProperties.getUserSettings() : nullptr;
    }

    void storeWindowPosition (MainComponent* panel, const juce::String& state)
    {
        if (auto* settings = settingsOf (panel))
            settings->setValue (BrisvoApplication::windowPositionKey, state);
    }
}

//==============================================================================
BrisvoApplication::BrisvoApplication()
{
    // One instance per user: a launch that finds this user's instance running hands its command line
    // over through our channel and ends in initialise.
    handedOver = SingleInstanceChannel::sendToRunningInstance (getCommandLineParameters());
}

BrisvoApplication::~BrisvoApplication()
{
#if JUCE_LINUX
    displayLossHandler.reset();
    windowState.reset();
#endif
    instanceChannel.reset();
    mainWindow.reset();
#if JUCE_LINUX
    quitSignals.reset();
#endif
}

// Both come from the build (project() in the top CMakeLists.txt).
const juce::String BrisvoApplication::getApplicationName()
{
    return JUCE_APPLICATION_NAME_STRING;
}
const juce::String BrisvoApplication::getApplicationVersion()
{
    return JUCE_APPLICATION_VERSION_STRING;
}
bool BrisvoApplication::moreThanOneInstanceAllowed()
{
#if JUCE_LINUX
    // JUCE's lock here is one file in /var/tmp for every user of the machine (the first user's file
    // shuts every other user out) and its hand-over is empty. The per-user channel keeps the rule
    // instead: a second launch of the same user hands its command line over and ends.
    return true;
#else
    return false;
#endif
}

bool BrisvoApplication::isResetSwitch (const juce::String& parameters)
{
    return parameters.equalsIgnoreCase ("/default") || parameters.equalsIgnoreCase ("/defaults");
}

void BrisvoApplication::initialise (const juce::String& commandLine)
{
    // Another instance holds the command line already.
    if (handedOver)
    {
        quit();
        return;
    }

#if JUCE_LINUX
    // JUCE opens a connection of its own at its first look at the displays. Where that fails after main's
    // succeeded (the file descriptors ran out: a low `ulimit -n`), JUCE would place the first window on
    // a display that does not exist. Nothing is set up yet that would have to be undone.
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
    {
        std::fprintf (stderr, "%s\n", XDisplayConnection().whyNotOpen().c_str());
        setApplicationReturnValue (1);
        quit();
        return;
    }

    quitSignals = std::make_unique<QuitSignalWatcher> ([this] { systemRequestedQuit(); });
#endif

    // Listening starts before the window is built, so an early second launch is not lost.
    instanceChannel =
        std::make_unique<SingleInstanceChannel> ([this] (const juce::String& line) { anotherInstanceStarted (line); });

    // Two launches at the same moment: the one that could not take the channel hands over instead.
    if (! instanceChannel->isListening()
        && SingleInstanceChannel::sendToRunningInstance (commandLine, SingleInstanceChannel::lostRaceHandOverTimeoutMs))
    {
        instanceChannel.reset();
        quit();
        return;
    }

    const bool reset = isResetSwitch (commandLine);
    mainWindow = std::make_unique<MainWindow> (getApplicationName() + " v" + getApplicationVersion(), reset);
#if JUCE_LINUX
    windowState = std::make_unique<WindowStateCache> (*mainWindow);
    displayLossHandler = std::make_unique<XConnectionLossHandler> ([this] { saveBeforeDisplayLost(); });
#endif

    // The factory values go to a visible window.
    if (auto* panel = mainWindow->getPanel(); panel != nullptr && reset)
    {
        panel->setFactoryDefaults();
        storeWindowPosition (panel, {});
    }
}

void BrisvoApplication::shutdown()
{
#if JUCE_LINUX
    // From here on the window goes away; a lost display ends the process as Xlib does.
    displayLossHandler.reset();
    windowState.reset();
#endif
    instanceChannel.reset();

    if (mainWindow != nullptr)
        storeWindowPosition (mainWindow->getPanel(), mainWindow->getWindowStateAsString());

    mainWindow.reset();
}

void BrisvoApplication::anotherInstanceStarted (const juce::String& commandLine)
{
    auto* panel = mainWindow != nullptr ? mainWindow->getPanel() : nullptr;

    if (panel == nullptr)
        return;

    // A reset keeps the window where it is; the panel is centred in it.
    if (isResetSwitch (commandLine))
    {
        panel->setFactoryDefaults();
        storeWindowPosition (panel, {});
        panel->centreWithSize (panel->getWidth(), panel->getHeight());
    }

    panel->setVisible (true);
    mainWindow->setVisible (true);
    juce::Process::makeForegroundProcess();
    // Bringing the process forward does nothing here: raise and focus the window itself.
    mainWindow->toFront (true);
}

void BrisvoApplication::systemRequestedQuit()
{
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

#if JUCE_LINUX
void BrisvoApplication::saveBeforeDisplayLost()
{
    instanceChannel.reset();

    auto* panel = mainWindow != nullptr ? mainWindow->getPanel() : nullptr;
    if (panel == nullptr || windowState == nullptr)
        return;

    // What shutdown and the panel's teardown would store, written now: the process ends right after.
    // Nothing here may ask the X server.
    storeWindowPosition (panel, windowState->get());
    if (panel->hidDevice != nullptr)
        panel->saveProperties();
    panel->appProperties.saveIfNeeded();
}
#endif

//==============================================================================
// Built off the desktop and put there once, at its final place: on X11 JUCE shows a desktop window each
// time it rebuilds it for the native title bar or a resizer, hidden or not, so a window built on the
// desktop would flash at 0,0 before it moved.
BrisvoApplication::MainWindow::MainWindow (const juce::String& name, bool reset)
    : juce::DocumentWindow (name, juce::Colours::lightgrey, juce::DocumentWindow::allButtons, false)
{
    setUsingNativeTitleBar (true);
    setContentOwned (new MainComponent(), true);

    constrainer = std::make_unique<BorderBoundsConstrainer>();
    setConstrainer (constrainer.get());
    constrainer->topStrip = 0;
    constrainer->setFixedAspectRatio (320.0 / 290.0);
    constrainer->setSizeLimits (219, 198, 640, 580);

#if JUCE_LINUX
    // Before the window has a peer: every hint and move JUCE makes for it follows the limits.
    limitsKeeper = std::make_unique<WindowLimitsKeeper> (*this, *constrainer);
#endif

    const auto stored = restoreWindowState (reset);
    addToDesktop();
    placeWithinReach (stored.frame);
    setVisible (true);

    if (stored.maximised)
        setFullScreen (true);
}

BrisvoApplication::MainWindow::~MainWindow()
{
#if JUCE_LINUX
    limitsKeeper.reset();
#endif
    // The window and its peer keep a pointer to the constrainer: detach it before it goes.
    setConstrainer (nullptr);
    constrainer.reset();
}

StoredWindowState BrisvoApplication::MainWindow::restoreWindowState (bool reset)
{
    auto* settings = settingsOf (getPanel());

    if (settings != nullptr && reset)
        settings->setValue (windowPositionKey, juce::String());

    const auto state = settings != nullptr ? settings->getValue (windowPositionKey, {}) : juce::String();
    auto stored = StoredWindowState::parse (state);

    setResizable (true, true);

    // The window's own area goes where it was (the window manager puts the frame around it), in its
    // normal size; a maximised window is maximised again once it is shown.
    if (! restoreWindowStateFromString (stored.placement) || reset)
    {
        // Nothing usable stored, or a reset: 320 by 290, centred on the main display.
        setBounds (getX(), getY(), 320, 290);
        centreWithSize (getWidth(), getHeight());
        stored = {};
    }

    return stored;
}

void BrisvoApplication::MainWindow::placeWithinReach (std::optional<juce::BorderSize<int>> storedFrame)
{
    // The frame the window will have: as the window manager reports it before the window is shown, else
    // as it was when the state was stored (parsing dropped an implausible one). Any X client can set
    // what the window manager reports.
    auto frame = frameBeforeShown();
    if (! frame || ! WindowPlacement::isPlausibleFrame (*frame))
        frame = storedFrame;

    if (frame)
        constrainer->frameBorder = *frame;

    setBounds (WindowPlacement::reachable (getBounds(), frame.value_or (juce::BorderSize<int>()),
                                           juce::Desktop::getInstance().getDisplays(), desktopWorkArea()));
}

std::optional<juce::BorderSize<int>> BrisvoApplication::MainWindow::frameBeforeShown() const
{
#if JUCE_LINUX
    return limitsKeeper->requestFrameSize (frameRequestTimeoutMs);
#else
    auto* peer = getPeer();
    return peer != nullptr ? peer->getFrameSizeIfPresent() : std::nullopt;
#endif
}

std::optional<juce::Rectangle<int>> BrisvoApplication::MainWindow::desktopWorkArea()
{
#if JUCE_LINUX
    if (const auto physical = ::desktopWorkArea())
        return juce::Desktop::getInstance().getDisplays().physicalToLogical (*physical);
#endif
    return std::nullopt;
}

void BrisvoApplication::MainWindow::closeButtonPressed()
{
    storeWindowPosition (getPanel(), getWindowStateAsString());
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}

MainComponent* BrisvoApplication::MainWindow::getPanel() const
{
    return dynamic_cast<MainComponent*> (getContentComponent());
}
