// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "X11WorkArea.h"

#include <vector>

namespace
{
    std::vector<long> cardinals (::Display* display, const char* name)
    {
        const Atom property = XInternAtom (display, name, True);
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::vector<long> values;

        if (property != None
            && XGetWindowProperty (display, DefaultRootWindow (display), property, 0, 1024, False, XA_CARDINAL, &type,
                                   &format, &count, &remaining, &data)
                   == Success
            && data != nullptr && format == 32)
        {
            const auto* items = reinterpret_cast<const long*> (data);
            values.assign (items, items + count);
        }

        if (data != nullptr)
            XFree (data);

        return values;
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
