// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#include "X11SizeHints.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <juce_gui_basics/native/x11/juce_linux_XWindowSystem.h>

namespace
{
    ::Display* juceDisplay()
    {
        auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
        return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
    }

    constexpr long limitFlags = PMinSize | PMaxSize | PAspect;
}

void publishSizeHints (juce::ComponentPeer& peer, const WindowSizeHints& hints)
{
    auto* display = juceDisplay();
    const auto window = (::Window) peer.getNativeHandle();

    if (display == nullptr || window == 0)
        return;

    XSizeHints sizeHints {};
    // JUCE marks its own placement as the user's; keep that, so a window manager leaves it in place.
    sizeHints.flags = USPosition | USSize | PMinSize | PMaxSize;
    sizeHints.x = hints.bounds.getX();
    sizeHints.y = hints.bounds.getY();
    sizeHints.width = hints.bounds.getWidth();
    sizeHints.height = hints.bounds.getHeight();
    sizeHints.min_width = hints.minimumSize.x;
    sizeHints.min_height = hints.minimumSize.y;
    sizeHints.max_width = hints.maximumSize.x;
    sizeHints.max_height = hints.maximumSize.y;

    if (hints.aspect.x > 0 && hints.aspect.y > 0)
    {
        sizeHints.flags |= PAspect;
        sizeHints.min_aspect.x = sizeHints.max_aspect.x = hints.aspect.x;
        sizeHints.min_aspect.y = sizeHints.max_aspect.y = hints.aspect.y;
    }

    juce::XWindowSystemUtilities::ScopedXLock lock;
    XSetWMNormalHints (display, window, &sizeHints);
}

//==============================================================================
SizeHintsWatcher::SizeHintsWatcher (juce::ComponentPeer& peer, std::function<void()> callback)
    : window ((::Window) peer.getNativeHandle()),
      onLimitsDropped (std::move (callback))
{
    auto* display = juceDisplay();
    if (display == nullptr || window == 0)
        return;

    auto* own = XOpenDisplay (DisplayString (display));
    if (own == nullptr)
        return;

    connection = own;
    XSelectInput (own, window, PropertyChangeMask);
    XFlush (own);
    juce::LinuxEventLoop::registerFdCallback (ConnectionNumber (own), [this] (int) { readEvents(); });
}

SizeHintsWatcher::~SizeHintsWatcher()
{
    if (auto* own = static_cast<::Display*> (connection))
    {
        juce::LinuxEventLoop::unregisterFdCallback (ConnectionNumber (own));
        XCloseDisplay (own);
    }
}

bool SizeHintsWatcher::isWatching (const juce::ComponentPeer& peer) const
{
    return (::Window) peer.getNativeHandle() == window;
}

void SizeHintsWatcher::readEvents()
{
    auto* own = static_cast<::Display*> (connection);
    bool rewritten = false;

    while (XPending (own) > 0)
    {
        XEvent event {};
        XNextEvent (own, &event);
        rewritten = rewritten || (event.type == PropertyNotify && event.xproperty.atom == XA_WM_NORMAL_HINTS);
    }

    if (! rewritten)
        return;

    XSizeHints hints {};
    long supplied = 0;
    const bool complete = XGetWMNormalHints (own, window, &hints, &supplied) != 0 && (hints.flags & limitFlags) == limitFlags;

    if (! complete && onLimitsDropped != nullptr)
        onLimitsDropped();
}
