// The X side of the launch helpers, kept apart because Xlib's macros clash with other headers.
#include "LaunchSupport.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace launch
{
    namespace
    {
        ::Display* x (void* handle)
        {
            return static_cast<::Display*> (handle);
        }

        std::optional<pid_t> windowPid (::Display* display, Window window)
        {
            const Atom pidAtom = XInternAtom (display, "_NET_WM_PID", False);
            Atom type = 0;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;

            std::optional<pid_t> result;
            if (XGetWindowProperty (display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &remaining, &data)
                    == Success
                && data != nullptr && format == 32 && count == 1)
                result = (pid_t) * reinterpret_cast<unsigned long*> (data);

            if (data != nullptr)
                XFree (data);

            return result;
        }

        // WM_NAME as the program writes it, UTF-8 text.
        juce::String windowTitle (::Display* display, Window window)
        {
            Atom type = 0;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;
            juce::String title;

            if (XGetWindowProperty (display, window, XA_WM_NAME, 0, 1024, False, AnyPropertyType, &type, &format,
                                    &count, &remaining, &data)
                    == Success
                && data != nullptr && format == 8)
                title = juce::String::fromUTF8 (reinterpret_cast<const char*> (data), (int) count);

            if (data != nullptr)
                XFree (data);

            return title;
        }

        void sendClientMessage (::Display* display, Window window, const char* type, long data)
        {
            XEvent event {};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = XInternAtom (display, type, False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = data;
            event.xclient.data.l[1] = CurrentTime;

            XSendEvent (display, window, False, NoEventMask, &event);
            XSync (display, False);
        }

        bool isMapped (::Display* display, Window window)
        {
            XWindowAttributes attributes {};
            return XGetWindowAttributes (display, window, &attributes) != 0 && attributes.map_state == IsViewable;
        }

        bool isSameOrAncestor (::Display* display, Window ancestor, Window window)
        {
            while (window != 0)
            {
                if (window == ancestor)
                    return true;

                Window root = 0, parent = 0;
                Window* children = nullptr;
                unsigned int count = 0;

                if (XQueryTree (display, window, &root, &parent, &children, &count) == 0)
                    return false;

                if (children != nullptr)
                    XFree (children);

                window = (parent == root) ? 0 : parent;
            }

            return false;
        }
    }

    Display::Display() : Display (juce::String())
    {}

    Display::Display (const juce::String& name)
    {
        // A bare X server starts over when its last client leaves and refuses connections meanwhile.
        pollUntil ([this, &name]
                   { return (handle = XOpenDisplay (name.isEmpty() ? nullptr : name.toRawUTF8())) != nullptr; },
                   10000);

        // A window of the program may go away while it is being looked at: ignore such errors
        // instead of letting Xlib end the test.
        XSetErrorHandler ([] (::Display*, XErrorEvent*) { return 0; });

        // JUCE answers the close request only if these atoms already existed when it started; on a bare
        // display without a window manager nobody has created them yet.
        if (handle != nullptr)
            for (const char* name : { "WM_PROTOCOLS", "WM_DELETE_WINDOW" })
                XInternAtom (x (handle), name, False);
    }

    Display::~Display()
    {
        if (handle != nullptr)
            XCloseDisplay (x (handle));
    }

    juce::Rectangle<int> Display::screenBounds() const
    {
        const int screen = DefaultScreen (x (handle));
        return { 0, 0, DisplayWidth (x (handle), screen), DisplayHeight (x (handle), screen) };
    }

    std::vector<WindowId> Display::findWindows (const juce::String& title, pid_t pid) const
    {
        auto* display = x (handle);
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::vector<WindowId> found;

        if (XQueryTree (display, DefaultRootWindow (display), &root, &parent, &children, &count) == 0)
            return found;

        for (unsigned int i = 0; i < count; ++i)
            if (isMapped (display, children[i]) && windowTitle (display, children[i]) == title
                && windowPid (display, children[i]) == pid)
                found.push_back (children[i]);

        if (children != nullptr)
            XFree (children);

        return found;
    }

    std::optional<juce::Rectangle<int>> Display::boundsOf (WindowId window) const
    {
        auto* display = x (handle);
        XWindowAttributes attributes {};

        if (XGetWindowAttributes (display, window, &attributes) == 0)
            return std::nullopt;

        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates (display, window, DefaultRootWindow (display), 0, 0, &rootX, &rootY, &child);
        return juce::Rectangle<int> (rootX, rootY, attributes.width, attributes.height);
    }

    std::optional<juce::Colour> Display::pixelAt (WindowId window, juce::Point<int> position) const
    {
        auto* image = XGetImage (x (handle), window, position.x, position.y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr)
            return std::nullopt;

        // A 24-bit TrueColor visual, as the test display has: red, green and blue in the low three bytes.
        const auto rgb = (juce::uint32) XGetPixel (image, 0, 0) & 0xffffffu;
        XDestroyImage (image);
        return juce::Colour (0xff000000u | rgb);
    }

    std::optional<juce::Colour> Display::screenPixelAt (WindowId window, juce::Point<int> position) const
    {
        auto* display = x (handle);
        int rootX = 0, rootY = 0;
        Window child = 0;
        if (! XTranslateCoordinates (display, window, DefaultRootWindow (display), position.x, position.y, &rootX, &rootY, &child))
            return std::nullopt;

        return pixelAt (DefaultRootWindow (display), { rootX, rootY });
    }

    void Display::moveAndResize (WindowId window, juce::Rectangle<int> bounds)
    {
        XMoveResizeWindow (x (handle), window, bounds.getX(), bounds.getY(), (unsigned int) bounds.getWidth(),
                           (unsigned int) bounds.getHeight());
        XSync (x (handle), False);
    }

    void Display::sendCloseRequest (WindowId window)
    {
        sendClientMessage (x (handle), window, "WM_PROTOCOLS", (long) XInternAtom (x (handle), "WM_DELETE_WINDOW", False));
    }

    void Display::nudge (WindowId window)
    {
        sendClientMessage (x (handle), window, "TOLVA_TEST_NUDGE", 0);
    }

    void Display::resize (WindowId window, int width, int height)
    {
        XResizeWindow (x (handle), window, (unsigned int) width, (unsigned int) height);
        XSync (x (handle), False);
    }

    void Display::click (WindowId window, juce::Point<int> position)
    {
        auto* display = x (handle);
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates (display, window, DefaultRootWindow (display), position.x, position.y, &rootX, &rootY, &child);

        for (const int type : { ButtonPress, ButtonRelease })
        {
            XEvent event {};
            event.xbutton.type = type;
            event.xbutton.display = display;
            event.xbutton.window = window;
            event.xbutton.root = DefaultRootWindow (display);
            event.xbutton.time = CurrentTime;
            event.xbutton.x = position.x;
            event.xbutton.y = position.y;
            event.xbutton.x_root = rootX;
            event.xbutton.y_root = rootY;
            event.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
            event.xbutton.button = Button1;
            event.xbutton.same_screen = True;
            XSendEvent (display, window, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
        }

        XSync (display, False);
    }

    void Display::pointerClick (WindowId window, juce::Point<int> position)
    {
        auto* display = x (handle);
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates (display, window, DefaultRootWindow (display), position.x, position.y, &rootX, &rootY, &child);

        XTestFakeMotionEvent (display, -1, rootX, rootY, CurrentTime);
        XTestFakeButtonEvent (display, Button1, True, CurrentTime);
        XTestFakeButtonEvent (display, Button1, False, CurrentTime);
        XSync (display, False);
    }

    std::optional<Display::SizeHints> Display::sizeHints (WindowId window) const
    {
        XSizeHints hints {};
        long supplied = 0;

        if (XGetWMNormalHints (x (handle), window, &hints, &supplied) == 0)
            return std::nullopt;

        SizeHints result;
        if ((hints.flags & PMinSize) != 0)
            result.minimumSize = juce::Point<int> (hints.min_width, hints.min_height);
        if ((hints.flags & PMaxSize) != 0)
            result.maximumSize = juce::Point<int> (hints.max_width, hints.max_height);
        if ((hints.flags & PAspect) != 0)
        {
            result.minimumAspect = juce::Point<int> (hints.min_aspect.x, hints.min_aspect.y);
            result.maximumAspect = juce::Point<int> (hints.max_aspect.x, hints.max_aspect.y);
        }

        return result;
    }

    WindowId Display::openFocusedWindow (juce::Rectangle<int> bounds)
    {
        auto* display = x (handle);
        const int screen = DefaultScreen (display);
        const Window window = XCreateSimpleWindow (display, DefaultRootWindow (display), bounds.getX(), bounds.getY(),
                                                   (unsigned int) bounds.getWidth(), (unsigned int) bounds.getHeight(),
                                                   0, BlackPixel (display, screen), WhitePixel (display, screen));
        XStoreName (display, window, "Other window");
        XMapRaised (display, window);
        XSync (display, False);

        pollUntil ([display, window] { return isMapped (display, window); }, 5000);
        XSetInputFocus (display, window, RevertToParent, CurrentTime);
        XSync (display, False);
        return window;
    }

    void Display::closeWindow (WindowId window)
    {
        XDestroyWindow (x (handle), window);
        XSync (x (handle), False);
    }

    bool Display::hasFocus (WindowId window) const
    {
        Window focused = 0;
        int revert = 0;
        XGetInputFocus (x (handle), &focused, &revert);
        return focused != PointerRoot && isSameOrAncestor (x (handle), window, focused);
    }
}
