// A connection to the X display that DISPLAY names, opened as JUCE opens its own. JUCE goes on
// without a display and fails at the first window it places, saying nothing; opened first, this one
// finds out and says why.
#pragma once

#include <string>

class XDisplayConnection
{
public:
    XDisplayConnection();
    ~XDisplayConnection();

    bool isOpen() const noexcept { return display != nullptr; }

    // One line for the user, naming the display and why it could not be opened, as far as that can be
    // told: DISPLAY unset or empty, a server that refused the connection, no file descriptor left, else
    // no server there.
    std::string whyNotOpen() const;

private:
    enum class Failure
    {
        none,
        refused,
        noDescriptor,
        noServer
    };

    void* display = nullptr;
    Failure failure = Failure::none;

    XDisplayConnection (const XDisplayConnection&) = delete;
    XDisplayConnection& operator= (const XDisplayConnection&) = delete;
};
