// The size hints a window manager follows while the user resizes a window (WM_NORMAL_HINTS).
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

struct WindowSizeHints
{
    juce::Rectangle<int> bounds;   // where the window stands, given as placed by the user
    juce::Point<int> minimumSize, maximumSize;
    juce::Point<int> aspect;   // width : height as both minimum and maximum; 0 : 0 for none
};

// Writes the hints on the peer's X window through JUCE's own display connection, so they land after
// whatever JUCE wrote there before. Does nothing for a peer without an X window.
void publishSizeHints (juce::ComponentPeer& peer, const WindowSizeHints& hints);

// JUCE rewrites a window's size hints, keeping at most the minimum and maximum, also where the window's
// bounds do not change (its first paint, a restack). This watches the hints of one X window on a
// connection of its own and reports, on the message thread, each rewrite that lacks a limit or the ratio.
class SizeHintsWatcher
{
public:
    SizeHintsWatcher (juce::ComponentPeer& peer, std::function<void()> onLimitsDropped);
    ~SizeHintsWatcher();

    bool isWatching (const juce::ComponentPeer& peer) const;

private:
    void readEvents();

    void* connection = nullptr;
    unsigned long window = 0;
    std::function<void()> onLimitsDropped;

    JUCE_DECLARE_NON_COPYABLE (SizeHintsWatcher)
};
