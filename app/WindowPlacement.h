// Where the main window opens. The stored state ("WindowPosition", as JUCE writes it) is read back as
// the window left it, and the window is kept where a user can reach it: a screen that went away, a
// smaller screen or a larger desktop scale must not leave it, or its title bar, out of sight.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

struct StoredWindowState
{
    // The state as JUCE restores it: position and size of the window's own area, with neither the
    // maximised mark nor the frame JUCE appends on Linux.
    juce::String placement;
    bool maximised = false;
    // The frame the window had when the state was stored, if it is plausible.
    std::optional<juce::BorderSize<int>> frame;

    // A placement whose numbers could not be a window's (past any desktop, or large enough to overflow
    // what JUCE adds up when it restores them) is left empty: nothing usable is stored.
    static StoredWindowState parse (const juce::String& state);
};

namespace WindowPlacement
{
    // Whether a frame could be a window manager's: no side negative or wider than 200 pixels. Title
    // bars and borders stay far below that; a frame beyond it would push the window off the screen.
    bool isPlausibleFrame (juce::BorderSize<int> frame);

    // The display a window belongs to: the one holding most of it, or the nearest when none holds any.
    const juce::Displays::Display* displayFor (const juce::Displays& displays, juce::Rectangle<int> outer);

    // Moves the window, frame included, the least distance that brings it inside the work area; a
    // window larger than the area keeps its top left corner (with the title bar) inside. Absurd numbers
    // (no window or area is a million pixels from the origin, a frame that is not plausible counts as
    // none) are cut down first, so nothing here overflows.
    juce::Rectangle<int> keepWithin (juce::Rectangle<int> bounds, juce::BorderSize<int> frame, juce::Rectangle<int> area);

    // keepWithin the work area of the window's display: its user area, less what `desktopWorkArea`
    // leaves out (panels and docks the display's own area does not account for).
    juce::Rectangle<int> reachable (juce::Rectangle<int> bounds, juce::BorderSize<int> frame, const juce::Displays& displays,
                                    std::optional<juce::Rectangle<int>> desktopWorkArea = std::nullopt);
}
