// The part of the desktop that panels and docks leave to windows, as the window manager publishes it
// (_NET_WORKAREA of the current desktop). JUCE gives every display its whole area on Linux.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>
#include <vector>

// In physical pixels; nothing without a window manager that publishes it.
std::optional<juce::Rectangle<int>> desktopWorkArea();

// The current desktop's area from the two root properties as Xlib returns them: `areas` holds x, y,
// width and height for each desktop, `currentDesktop` the desktop's number (none means the first).
// Any X client can set both: a desktop with no area listed (Xlib sign-extends, so a number past
// 0x7FFFFFFF arrives negative) or an area no X screen could hold means no work area is known.
std::optional<juce::Rectangle<int>> currentWorkArea (const std::vector<long>& areas, const std::vector<long>& currentDesktop);
