// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "X11Properties.h"

std::vector<long> longsOf (::Display* display, ::Window window, Atom property, Atom type, long maxItems)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<long> items;

    if (property != None
        && XGetWindowProperty (display, window, property, 0, maxItems, False, type, &actualType, &format, &count,
                               &remaining, &data)
               == Success
        && data != nullptr && format == 32)
    {
        const auto* first = reinterpret_cast<const long*> (data);
        items.assign (first, first + count);
    }

    if (data != nullptr)
        XFree (data);

    return items;
}

::Display* juceDisplayIfOpen()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
}

void sendToWindowManager (::Display* display, ::Window window, Atom messageType, const std::array<long, 4>& data)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = messageType;
    event.xclient.format = 32;
    for (size_t i = 0; i < data.size(); ++i)
        event.xclient.data.l[i] = data[i];

    XSendEvent (display, DefaultRootWindow (display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}
