// Reading a window's X properties of 32-bit items (cardinals, atoms), as the window manager publishes
// them, and asking the window manager for something about a window. Include after JUCE's X headers, as
// the X11 files here do.
#pragma once

#include <array>
#include <vector>

// JUCE's connection to the X server, or null when it has none open (no window yet, or no display).
::Display* juceDisplayIfOpen();

// The items of `property` on `window` if it holds items of `type`, at most `maxItems`; nothing when the
// property is missing (None included) or of another kind. The caller holds JUCE's X lock.
std::vector<long> longsOf (::Display* display, ::Window window, Atom property, Atom type, long maxItems);

// A client message about `window` to the window manager, through the root window as the EWMH asks.
// The caller holds JUCE's X lock.
void sendToWindowManager (::Display* display, ::Window window, Atom messageType, const std::array<long, 4>& data = {});
