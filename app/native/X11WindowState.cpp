// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "X11WindowState.h"
#include "X11Properties.h"

#include <algorithm>
#include <array>

namespace
{
    // _NET_WM_STATE's request to remove up to two states, as a pager or the window itself sends it.
    void removeStates (::Display* display, ::Window window, Atom first, Atom second)
    {
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom (display, "_NET_WM_STATE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 0;   // remove
        event.xclient.data.l[1] = (long) first;
        event.xclient.data.l[2] = (long) second;
        event.xclient.data.l[3] = 1;   // from an application
        XSendEvent (display, DefaultRootWindow (display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
}

bool leaveSizingStates (juce::ComponentPeer& peer)
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
    const auto window = (::Window) peer.getNativeHandle();

    if (display == nullptr || window == 0)
        return false;

    juce::XWindowSystemUtilities::ScopedXLock lock;
    const auto stateAtom = XInternAtom (display, "_NET_WM_STATE", True);
    const auto states = longsOf (display, window, stateAtom, XA_ATOM, 64);

    const std::array<Atom, 3> sizing { XInternAtom (display, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                                       XInternAtom (display, "_NET_WM_STATE_MAXIMIZED_HORZ", False),
                                       XInternAtom (display, "_NET_WM_STATE_FULLSCREEN", False) };

    const auto isIn = [&states] (Atom state)
    { return std::find (states.begin(), states.end(), (long) state) != states.end(); };

    if (std::none_of (sizing.begin(), sizing.end(), isIn))
        return false;

    removeStates (display, window, sizing[0], sizing[1]);
    removeStates (display, window, sizing[2], None);
    XFlush (display);
    return true;
}
