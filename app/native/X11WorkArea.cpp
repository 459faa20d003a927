// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "X11WorkArea.h"
#include "X11Properties.h"

namespace
{
    std::vector<long> cardinals (::Display* display, const char* name)
    {
        return longsOf (display, DefaultRootWindow (display), XInternAtom (display, name, True), XA_CARDINAL, 1024);
    }
}

std::optional<juce::Rectangle<int>> desktopWorkArea()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
    if (display == nullptr)
        return std::nullopt;

    juce::XWindowSystemUtilities::ScopedXLock lock;
    const auto areas = cardinals (display, "_NET_WORKAREA");
    const auto current = cardinals (display, "_NET_CURRENT_DESKTOP");
    const auto desktop = current.empty() ? size_t (0) : (size_t) current.front();

    // x, y, width and height for each desktop.
    if (areas.size() < (desktop + 1) * 4)
        return std::nullopt;

    const auto* area = &areas[desktop * 4];
    const juce::Rectangle<int> result ((int) area[0], (int) area[1], (int) area[2], (int) area[3]);
    return result.isEmpty() ? std::nullopt : std::optional<juce::Rectangle<int>> (result);
}
