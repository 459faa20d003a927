// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#include "XDisplayConnection.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace
{
    void closeDescriptor (int& fd)
    {
        if (fd >= 0)
            ::close (fd);
        fd = -1;
    }

    // Xlib writes the reason a server gives for refusing a client straight to standard error. Caught,
    // it tells a refusal from a missing server, and the user reads one line of the program's own.
    class StandardErrorCatcher
    {
    public:
        StandardErrorCatcher()
        {
            // Not at all when standard error is closed: the pipe would take its place.
            saved = ::fcntl (STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
            // Non-blocking: a reason longer than the pipe holds is cut, never waited on.
            if (saved < 0 || ::pipe2 (pipe, O_CLOEXEC | O_NONBLOCK) != 0 || ::dup2 (pipe[1], STDERR_FILENO) < 0)
                end();
        }

        ~StandardErrorCatcher() { end(); }

        // Puts standard error back; whether anything was written to it meanwhile.
        bool end()
        {
            if (saved >= 0)
                ::dup2 (saved, STDERR_FILENO);

            closeDescriptor (saved);
            closeDescriptor (pipe[1]);

            char byte = 0;
            const bool written = pipe[0] >= 0 && ::read (pipe[0], &byte, 1) == 1;
            closeDescriptor (pipe[0]);
            return written;
        }

    private:
        int saved = -1;
        int pipe[2] = { -1, -1 };
    };

    bool noDescriptorLeft()
    {
        const int fd = ::open ("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return errno == EMFILE || errno == ENFILE;

        ::close (fd);
        return false;
    }

    std::string line (const std::string& text)
    {
        return JUCE_APPLICATION_NAME_STRING + std::string (": ") + text;
    }
}

XDisplayConnection::XDisplayConnection()
{
    // An unset or empty DISPLAY names no display, as every X program takes it. (JUCE would guess ":0.0",
    // a screen the user may not sit at.)
    const char* name = std::getenv ("DISPLAY");
    if (name == nullptr || *name == '\0')
        return;

    // First, as JUCE calls it before its own connection: that one is used from several threads.
    XInitThreads();

    StandardErrorCatcher catcher;

    // Twice, as JUCE tries: a display it would get is not refused here.
    for (int attempt = 0; attempt < 2 && display == nullptr; ++attempt)
        display = XOpenDisplay (name);

    if (display != nullptr)
        return;

    // Asked while the catcher still holds what it held during the attempts.
    const bool descriptorsRanOut = noDescriptorLeft();
    failure = catcher.end() ? Failure::refused : descriptorsRanOut ? Failure::noDescriptor : Failure::noServer;
}

XDisplayConnection::~XDisplayConnection()
{
    if (display != nullptr)
        XCloseDisplay (static_cast<::Display*> (display));
}

std::string XDisplayConnection::whyNotOpen() const
{
    const char* name = std::getenv ("DISPLAY");
    if (name == nullptr)
        return line ("cannot open an X display (DISPLAY is not set)");
    if (*name == '\0')
        return line ("cannot open an X display (DISPLAY is empty)");

    const auto opening = "cannot open the X display \"" + std::string (name) + "\"";

    switch (failure)
    {
        case Failure::refused:
            return line (opening + " (the server refused the connection)");
        case Failure::noDescriptor:
            return line (opening + " (too many open files)");
        case Failure::noServer:
            return line (opening + " (set DISPLAY to a running X server)");
        case Failure::none:
            break;
    }

    return line (opening);
}
