// Reading a window's X properties of 32-bit items (cardinals, atoms), as the window manager publishes
// them. Include after JUCE's X headers, as the X11 files here do.
#pragma once

#include <vector>

// The items of `property` on `window` if it holds items of `type`, at most `maxItems`; nothing when the
// property is missing (None included) or of another kind. The caller holds JUCE's X lock.
std::vector<long> longsOf (::Display* display, ::Window window, Atom property, Atom type, long maxItems);
