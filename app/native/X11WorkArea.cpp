// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "X11WorkArea.h"
#include "X11Properties.h"

#include <algorithm>

namespace
{
    std::vector<long> cardinals (::Display* display, const char* name)
    {
        return longsOf (display, DefaultRootWindow (display), XInternAtom (display, name, True), XA_CARDINAL, 1024);
    }
}

std::optional<juce::Rectangle<int>> desktopWorkArea()
{
    auto* display = juceDisplayIfOpen();
    if (display == nullptr)
        return std::nullopt;

    juce::XWindowSystemUtilities::ScopedXLock lock;
    return currentWorkArea (cardinals (display, "_NET_WORKAREA"), cardinals (display, "_NET_CURRENT_DESKTOP"));
}

std::optional<juce::Rectangle<int>> currentWorkArea (const std::vector<long>& areas, const std::vector<long>& currentDesktop)
{
    const auto desktop = currentDesktop.empty() ? 0L : currentDesktop.front();
    // Compared with the number of areas listed, not multiplied: nothing can wrap.
    if (desktop < 0 || (unsigned long) desktop >= areas.size() / 4)
        return std::nullopt;

    // X screens are at most 65535 pixels across: anything else would overflow further on.
    const auto first = areas.begin() + desktop * 4;
    if (! std::all_of (first, first + 4, [] (long value) { return value >= 0 && value <= 0xffff; }))
        return std::nullopt;

    const juce::Rectangle<int> result ((int) first[0], (int) first[1], (int) first[2], (int) first[3]);
    return result.isEmpty() ? std::nullopt : std::optional<juce::Rectangle<int>> (result);
}
