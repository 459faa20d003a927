// Kept apart from the JUCE side: Xlib's macros clash with other headers. JUCE's X headers come in its
// own way, so that its table of Xlib functions is the one JUCE was built with.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "X11WindowRules.h"
#include "X11Properties.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

// The registered components and JUCE's own entries, which do the work once ours have adjusted it.
struct X11WindowRulesTable
{
    using SetHints = decltype (juce::X11Symbols::xSetWMNormalHints);
    using MoveResize = decltype (juce::X11Symbols::xMoveResizeWindow);

    static X11WindowRulesTable& get()
    {
        static X11WindowRulesTable table;
        return table;
    }

    // The rules and peer of a registered component whose present peer is this X window.
    std::pair<X11WindowRules*, juce::ComponentPeer*> find (::Window window) const
    {
        for (auto* rules : registered)
            if (auto* peer = rules->window.getPeer(); peer != nullptr && (::Window) peer->getNativeHandle() == window)
                return { rules, peer };

        return {};
    }

    // Called once JUCE has loaded its table; later calls find our entries in place.
    void install (juce::X11Symbols& symbols)
    {
        if (symbols.xSetWMNormalHints == &writeHints)
            return;

        jucesSetHints = symbols.xSetWMNormalHints;
        jucesMoveResize = symbols.xMoveResizeWindow;
        symbols.xSetWMNormalHints = &writeHints;
        symbols.xMoveResizeWindow = &moveResize;
    }

    static void completeHints (XSizeHints& hints, const WindowSizeHints& limits)
    {
        hints.flags = (hints.flags & ~(PMinSize | PMaxSize | PAspect)) | PMinSize | PMaxSize | PWinGravity;
        hints.min_width = limits.minimumSize.x;
        hints.min_height = limits.minimumSize.y;
        hints.max_width = limits.maximumSize.x;
        hints.max_height = limits.maximumSize.y;
        hints.win_gravity = StaticGravity;

        if (limits.minimumAspect.y > 0 && limits.maximumAspect.y > 0)
        {
            hints.flags |= PAspect;
            hints.min_aspect.x = limits.minimumAspect.x;
            hints.min_aspect.y = limits.minimumAspect.y;
            hints.max_aspect.x = limits.maximumAspect.x;
            hints.max_aspect.y = limits.maximumAspect.y;
        }
    }

    // JUCE writes the position alone on every move and its own limits (less the frame) before it.
    static void writeHints (::Display* display, ::Window window, XSizeHints* given)
    {
        auto& table = get();
        const auto [rules, peer] = table.find (window);

        if (rules == nullptr || given == nullptr)
            return table.jucesSetHints (display, window, given);

        auto hints = *given;
        completeHints (hints, rules->hints (*peer));
        table.jucesSetHints (display, window, &hints);
    }

    // JUCE takes the frame it knows off the position; with static gravity the window manager keeps the
    // window's own area where it is asked to be, so ask for JUCE's bounds as they are.
    static void moveResize (::Display* display, ::Window window, int x, int y, unsigned int width, unsigned int height)
    {
        auto& table = get();
        const auto [rules, peer] = table.find (window);

        if (rules != nullptr)
        {
            if (const auto frame = peer->getFrameSizeIfPresent())
            {
                const auto physical = frame->multipliedBy (peer->getPlatformScaleFactor());
                x += physical.getLeft();
                y += physical.getTop();
            }
        }

        table.jucesMoveResize (display, window, x, y, width, height);

        if (rules != nullptr)
            rules->lastPlace = { x, y, width, height };
    }

    std::vector<X11WindowRules*> registered;
    SetHints jucesSetHints = nullptr;
    MoveResize jucesMoveResize = nullptr;
};

namespace
{
    ::Display* juceDisplay()
    {
        auto* windowSystem = juce::XWindowSystem::getInstance();
        return windowSystem != nullptr && windowSystem->isX11Available() ? windowSystem->getDisplay() : nullptr;
    }

    bool rootSupports (::Display* display, Atom feature)
    {
        const Atom supported = XInternAtom (display, "_NET_SUPPORTED", True);
        const auto atoms = longsOf (display, DefaultRootWindow (display), supported, XA_ATOM, 4096);
        return feature != None && std::find (atoms.begin(), atoms.end(), (long) feature) != atoms.end();
    }

    // _NET_FRAME_EXTENTS: left, right, top and bottom, in physical pixels.
    std::optional<juce::BorderSize<int>> frameExtents (::Display* display, ::Window window, Atom extents)
    {
        const auto sides = longsOf (display, window, extents, XA_CARDINAL, 4);
        if (sides.size() != 4)
            return std::nullopt;
        return juce::BorderSize<int> ((int) sides[2], (int) sides[0], (int) sides[3], (int) sides[1]);
    }
}

X11WindowRules::X11WindowRules (juce::Component& w, HintsSource source) : window (w), hints (std::move (source))
{
    if (juceDisplay() == nullptr)
        return;

    auto& table = X11WindowRulesTable::get();
    table.install (*juce::X11Symbols::getInstance());
    table.registered.push_back (this);
}

X11WindowRules::~X11WindowRules()
{
    auto& registered = X11WindowRulesTable::get().registered;
    registered.erase (std::remove (registered.begin(), registered.end(), this), registered.end());
}

std::optional<juce::BorderSize<int>> X11WindowRules::requestFrameSize (int timeoutMs) const
{
    auto* display = juceDisplay();
    auto* peer = window.getPeer();
    const auto xWindow = peer != nullptr ? (::Window) peer->getNativeHandle() : 0;

    if (display == nullptr || xWindow == 0)
        return std::nullopt;

    const auto scale = peer->getPlatformScaleFactor();
    // Rounded up: a window kept inside the screen by the frame keeps all of it inside.
    const auto logical = [scale] (juce::BorderSize<int> physical)
    {
        const auto side = [scale] (int pixels) { return (int) std::ceil (pixels / scale); };
        return juce::BorderSize<int> (side (physical.getTop()), side (physical.getLeft()), side (physical.getBottom()),
                                      side (physical.getRight()));
    };

    juce::XWindowSystemUtilities::ScopedXLock lock;
    const Atom request = XInternAtom (display, "_NET_REQUEST_FRAME_EXTENTS", True);
    const Atom extents = XInternAtom (display, "_NET_FRAME_EXTENTS", False);

    if (const auto known = frameExtents (display, xWindow, extents))
        return logical (*known);

    if (! rootSupports (display, request))
        return std::nullopt;

    // A window manager may place the window while it works out the frame (openbox moves a window whose
    // size is off the ratio to the corner): ask for the place JUCE asked for once more.
    const auto putBack = [&]
    {
        if (lastPlace)
            X11WindowRulesTable::get().jucesMoveResize (display, xWindow, lastPlace->x, lastPlace->y, lastPlace->width,
                                                        lastPlace->height);
    };

    sendToWindowManager (display, xWindow, request);

    // The window manager answers by setting the property, usually within a round trip or two.
    const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    do
    {
        XSync (display, False);
        if (const auto answered = frameExtents (display, xWindow, extents))
        {
            putBack();
            return logical (*answered);
        }

        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    } while (juce::Time::getMillisecondCounterHiRes() < end);

    putBack();
    return std::nullopt;
}
