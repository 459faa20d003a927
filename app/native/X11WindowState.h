// The states in which a window manager sizes a window itself: maximised (either way) and full screen.
// Not every window manager keeps a window's size limits in them.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Asks the window manager to take the peer's window out of those states; false, and nothing asked,
// when the window is in none of them (or there is no X display).
bool leaveSizingStates (juce::ComponentPeer& peer);
