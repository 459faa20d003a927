// The X side of the launch helpers, kept apart because Xlib's macros clash with other headers.
#include "LaunchSupport.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <fstream>

namespace launch
{
    namespace
    {
        ::Display* x (void* handle)
        {
            return static_cast<::Display*> (handle);
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

        std::optional<Display::SizeHints> readSizeHints (::Display* display, Window window)
        {
            XSizeHints hints {};
            long supplied = 0;

            if (XGetWMNormalHints (display, window, &hints, &supplied) == 0)
                return std::nullopt;

            Display::SizeHints result;
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

        // A property of 32-bit items, or nothing.
        std::optional<std::vector<long>> longsOf (::Display* display, Window window, const char* name, Atom type)
        {
            Atom actualType = 0;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;
            std::optional<std::vector<long>> result;

            if (XGetWindowProperty (display, window, XInternAtom (display, name, False), 0, 1024, False, type,
                                    &actualType, &format, &count, &remaining, &data)
                    == Success
                && data != nullptr && format == 32)
            {
                const auto* items = reinterpret_cast<const long*> (data);
                result = std::vector<long> (items, items + count);
            }

            if (data != nullptr)
                XFree (data);

            return result;
        }

        std::optional<pid_t> windowPid (::Display* display, Window window)
        {
            const auto pid = longsOf (display, window, "_NET_WM_PID", XA_CARDINAL);
            if (! pid || pid->size() != 1)
                return std::nullopt;
            return (pid_t) (unsigned long) pid->front();
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

    namespace
    {
        // Mapped windows of the process among the root's children and, under a window manager that
        // puts each window in a frame of its own, among the frames' children.
        void collectWindowsOf (::Display* display, Window parent, pid_t pid, int depth, std::vector<WindowId>& found)
        {
            Window root = 0, up = 0;
            Window* children = nullptr;
            unsigned int count = 0;

            if (XQueryTree (display, parent, &root, &up, &children, &count) == 0)
                return;

            for (unsigned int i = 0; i < count; ++i)
            {
                if (! isMapped (display, children[i]))
                    continue;

                if (windowPid (display, children[i]) == pid)
                    found.push_back (children[i]);
                else if (depth > 0)
                    collectWindowsOf (display, children[i], pid, depth - 1, found);
            }

            if (children != nullptr)
                XFree (children);
        }
    }

    std::vector<WindowId> Display::windowsOf (pid_t pid) const
    {
        std::vector<WindowId> found;
        collectWindowsOf (x (handle), DefaultRootWindow (x (handle)), pid, 2, found);
        return found;
    }

    std::vector<WindowId> Display::findWindows (const juce::String& title, pid_t pid) const
    {
        auto found = windowsOf (pid);
        found.erase (std::remove_if (found.begin(), found.end(),
                                     [&] (WindowId w) { return windowTitle (x (handle), w) != title; }),
                     found.end());
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

    void Display::moveAndResize (WindowId window, juce::Rectangle<int> bounds)
    {
        XMoveResizeWindow (x (handle), window, bounds.getX(), bounds.getY(), (unsigned int) bounds.getWidth(),
                           (unsigned int) bounds.getHeight());
        XSync (x (handle), False);
    }

    namespace
    {
        // _NET_WM_STATE's request to add or remove up to two states, sent to the root window.
        void requestStates (::Display* display, Window window, bool add, const char* first, const char* second)
        {
            XEvent event {};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = XInternAtom (display, "_NET_WM_STATE", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = add ? 1 : 0;
            event.xclient.data.l[1] = (long) XInternAtom (display, first, False);
            event.xclient.data.l[2] = second != nullptr ? (long) XInternAtom (display, second, False) : 0;
            event.xclient.data.l[3] = 2;   // from a pager, as wmctrl sends it

            XSendEvent (display, DefaultRootWindow (display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
            XSync (display, False);
        }
    }

    void Display::requestMaximised (WindowId window, bool maximised)
    {
        requestStates (x (handle), window, maximised, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
    }

    void Display::requestFullScreen (WindowId window, bool fullScreen)
    {
        requestStates (x (handle), window, fullScreen, "_NET_WM_STATE_FULLSCREEN", nullptr);
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

        pointerDrag ({ { rootX, rootY } }, {}, 150);
    }

    std::optional<Display::SizeHints> Display::sizeHints (WindowId window) const
    {
        return readSizeHints (x (handle), window);
    }

    void Display::pointerDrag (const std::vector<juce::Point<int>>& path, const std::function<void()>& afterEachStep, int stepMs)
    {
        auto* display = x (handle);
        const auto take = [&]
        {
            XSync (display, False);
            juce::Thread::sleep (stepMs);
        };

        XTestFakeMotionEvent (display, DefaultScreen (display), path.front().x, path.front().y, CurrentTime);
        take();
        XTestFakeButtonEvent (display, Button1, True, CurrentTime);
        take();

        for (size_t i = 1; i < path.size(); ++i)
        {
            XTestFakeMotionEvent (display, DefaultScreen (display), path[i].x, path[i].y, CurrentTime);
            take();
            if (afterEachStep != nullptr)
                afterEachStep();
        }

        XTestFakeButtonEvent (display, Button1, False, CurrentTime);
        XSync (display, False);
    }

    std::optional<juce::BorderSize<int>> Display::frameExtents (WindowId window) const
    {
        const auto sides = longsOf (x (handle), window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        if (! sides || sides->size() != 4)
            return std::nullopt;

        // left, right, top, bottom
        return juce::BorderSize<int> ((int) (*sides)[2], (int) (*sides)[0], (int) (*sides)[3], (int) (*sides)[1]);
    }

    bool Display::isKeptAbove (WindowId window) const
    {
        const auto states = longsOf (x (handle), window, "_NET_WM_STATE", XA_ATOM);
        const auto above = (long) XInternAtom (x (handle), "_NET_WM_STATE_ABOVE", False);
        return states && std::find (states->begin(), states->end(), above) != states->end();
    }

    //==============================================================================
    void Display::watchMaps()
    {
        XSelectInput (x (handle), DefaultRootWindow (x (handle)), SubstructureNotifyMask);
        XSync (x (handle), False);
    }

    std::vector<Display::MappedWindow> Display::takeMaps (pid_t pid)
    {
        readEvents();
        std::vector<MappedWindow> taken;
        for (auto it = maps.begin(); it != maps.end();)
        {
            if (it->pid == pid)
            {
                taken.push_back (*it);
                it = maps.erase (it);
            }
            else
                ++it;
        }
        return taken;
    }

    void Display::watchWindow (WindowId window)
    {
        watched = window;
        changes.clear();
        XSelectInput (x (handle), window, StructureNotifyMask | PropertyChangeMask);
        XSync (x (handle), False);
    }

    std::vector<Display::WindowChange> Display::takeChanges()
    {
        readEvents();
        return std::exchange (changes, {});
    }

    // Geometry is followed from the events themselves, so a map is recorded where the window stood when
    // it was mapped, not where it stands when the test looks.
    void Display::readEvents()
    {
        auto* display = x (handle);
        XSync (display, False);

        while (XPending (display) > 0)
        {
            XEvent event {};
            XNextEvent (display, &event);

            if (event.type == CreateNotify && event.xcreatewindow.parent == DefaultRootWindow (display))
                topLevelBounds[event.xcreatewindow.window] = { event.xcreatewindow.x, event.xcreatewindow.y,
                                                               event.xcreatewindow.width, event.xcreatewindow.height };
            else if (event.type == ConfigureNotify && event.xconfigure.event == DefaultRootWindow (display))
                topLevelBounds[event.xconfigure.window] = { event.xconfigure.x, event.xconfigure.y,
                                                            event.xconfigure.width, event.xconfigure.height };
            else if (event.type == MapNotify && event.xmap.event == DefaultRootWindow (display))
                maps.push_back ({ event.xmap.window, windowTitle (display, event.xmap.window),
                                  windowPid (display, event.xmap.window), topLevelBounds[event.xmap.window] });

            if (watched != 0 && event.type == ConfigureNotify && event.xconfigure.window == watched
                && event.xconfigure.event == watched)
                changes.push_back ({ juce::Point<int> (event.xconfigure.width, event.xconfigure.height), std::nullopt });
            else if (watched != 0 && event.type == PropertyNotify && event.xproperty.window == watched
                     && event.xproperty.atom == XA_WM_NORMAL_HINTS)
                changes.push_back ({ std::nullopt, readSizeHints (display, watched).value_or (SizeHints {}) });
        }
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

    //==============================================================================
    namespace
    {
        // Whether something on the display answers to this: a window manager's check window, a
        // selection's owner.
        bool waitForOwner (const juce::String& displayName, const std::function<bool (::Display*)>& present)
        {
            auto* connection = XOpenDisplay (displayName.toRawUTF8());
            if (connection == nullptr)
                return false;

            const bool found = pollUntil ([&] { return present (connection); }, 10000);
            XCloseDisplay (connection);
            return found;
        }
    }

    namespace
    {
        // The command line of a window manager, after writing what it needs into its folder.
        std::vector<std::string> windowManagerCommand (WindowManagerKind kind, const juce::File& folder, int workAreaTop)
        {
            switch (kind)
            {
                case WindowManagerKind::openbox:
                {
                    // openbox's own settings with the margin changed: its bindings let the user drag the frame.
                    auto settings = juce::File ("/etc/xdg/openbox/rc.xml").loadFileAsString();
                    settings = settings.replace ("<margins>\n  <top>0</top>",
                                                 "<margins>\n  <top>" + juce::String (workAreaTop) + "</top>");
                    const auto config = folder.getChildFile ("openbox-rc.xml");
                    if (! config.replaceWithText (settings))
                        return {};
                    return { "openbox", "--sm-disable", "--config-file", config.getFullPathName().toStdString() };
                }
                case WindowManagerKind::fluxbox:
                    // No wallpaper: setting one opens a message window when no image viewer is installed.
                    if (! folder.getChildFile (".fluxbox/overlay").create()
                        || ! folder.getChildFile (".fluxbox/overlay").replaceWithText ("background: none\n"))
                        return {};
                    return { "fluxbox" };
                case WindowManagerKind::icewm:
                    return { "icewm" };
                case WindowManagerKind::jwm:
                    return { "jwm" };
            }

            return {};
        }
    }

    WindowManager::WindowManager (const juce::String& displayName, const juce::File& configFolder, int workAreaTop,
                                  WindowManagerKind kind)
    {
        const auto command = configFolder.createDirectory() ? windowManagerCommand (kind, configFolder, workAreaTop)
                                                            : std::vector<std::string>();
        if (command.empty())
            return;

        processId = spawnQuietly (command, { "DISPLAY=" + displayName, "HOME=" + configFolder.getFullPathName(),
                                             "XDG_CONFIG_HOME=" + configFolder.getFullPathName() });

        managing = processId > 0
                   && waitForOwner (displayName,
                                    [] (::Display* d)
                                    {
            return longsOf (d, DefaultRootWindow (d), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).has_value()
                   && longsOf (d, DefaultRootWindow (d), "_NET_WORKAREA", XA_CARDINAL).has_value();
                      });
    }

    WindowManager::~WindowManager()
    {
        stopProcess (processId, SIGTERM);
    }

    DesktopScale::DesktopScale (const juce::String& displayName, const juce::File& configFolder, int scale)
    {
        const auto config = configFolder.getChildFile ("xsettingsd.conf");
        if (! configFolder.createDirectory()
            || ! config.replaceWithText ("Gdk/WindowScalingFactor " + juce::String (scale) + "\n"))
            return;

        processId = spawnQuietly ({ "xsettingsd", "-c", config.getFullPathName().toStdString() },
                                  { "DISPLAY=" + displayName, "HOME=" + configFolder.getFullPathName() });

        if (processId > 0
            && ! waitForOwner (displayName, [] (::Display* d)
                               { return XGetSelectionOwner (d, XInternAtom (d, "_XSETTINGS_S0", False)) != None; }))
            stopProcess (processId, SIGKILL);
    }

    DesktopScale::~DesktopScale()
    {
        stopProcess (processId, SIGTERM);
    }
}
