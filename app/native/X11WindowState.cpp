// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "X11WindowState.h"
#include "X11Properties.h"

#include <algorithm>
#include <array>

bool leaveSizingStates (juce::ComponentPeer& peer)
{
    auto* display = juceDisplayIfOpen();
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

    // Removed (0) at an application's request (1), at most two at a time.
    sendToWindowManager (display, window, stateAtom, { 0, (long) sizing[0], (long) sizing[1], 1 });
    sendToWindowManager (display, window, stateAtom, { 0, (long) sizing[2], 0, 1 });
    XFlush (display);
    return true;
}
