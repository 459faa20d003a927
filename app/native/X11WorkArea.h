// The part of the desktop that panels and docks leave to windows, as the window manager publishes it
// (_NET_WORKAREA of the current desktop). JUCE gives every display its whole area on Linux.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

// In physical pixels; nothing without a window manager that publishes it.
std::optional<juce::Rectangle<int>> desktopWorkArea();
