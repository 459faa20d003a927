// JUCE tells the X server a window's size hints and place through Xlib functions it looks up once, at
// start-up, into a table of its own. Two of its habits fight a window manager: each move rewrites
// WM_NORMAL_HINTS with the position alone, so the limits vanish until the next write (a window manager
// that reads them then lets the user drag the window past them), and each move subtracts the frame from
// the position, which lands right only where the window manager already placed a frame around the
// window (a window JUCE has just created, at start-up or when it changes "always on top", lands a
// frame's width and height off, every time).
//
// For a registered component, this puts its own entries in that table: the hints always carry its
// limits, its ratio and static gravity (the window manager keeps the window's own area where it is asked
// to be and puts the frame around it), and a move asks for JUCE's bounds as they are.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>

// The limits a window manager enforces, in physical pixels.
struct WindowSizeHints
{
    juce::Point<int> minimumSize, maximumSize;
    juce::Point<int> minimumAspect, maximumAspect;   // width : height; 0 : 0 for none
};

class X11WindowRules
{
public:
    using HintsSource = std::function<WindowSizeHints (const juce::ComponentPeer&)>;

    // Registers the component: from now on every peer JUCE gives it follows these rules. Construct on
    // the message thread; opens JUCE's X connection if it is not open yet. Does nothing without X.
    X11WindowRules (juce::Component& window, HintsSource hints);
    ~X11WindowRules();

    // The component's native frame as the window manager reports it before the window is first shown
    // (_NET_REQUEST_FRAME_EXTENTS), waiting at most `timeoutMs`; nothing without such a window manager.
    std::optional<juce::BorderSize<int>> requestFrameSize (int timeoutMs) const;

private:
    friend struct X11WindowRulesTable;

    juce::Component& window;
    HintsSource hints;

    // The place last asked of the X server for the present peer, in physical pixels.
    struct Place
    {
        int x, y;
        unsigned int width, height;
    };
    std::optional<Place> lastPlace;

    JUCE_DECLARE_NON_COPYABLE (X11WindowRules)
};
