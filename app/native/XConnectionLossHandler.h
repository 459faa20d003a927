// Xlib ends the process (status 1) as soon as the connection to the X server breaks, as it does when the
// desktop session ends; the message loop never gets to run the program's shutdown. This handler runs an
// action first, on the message thread, so the program can save what it must keep, then ends the process
// with the same status.
#pragma once

#include <functional>

class XConnectionLossHandler
{
public:
    // Takes the place of the handler in place (JUCE's, which only asks the message loop to stop, a
    // loop that never runs again), so construct it once the program's window exists. One at a time.
    // The action must not ask the X server anything: a request on a connection that has not yet
    // noticed the loss ends the process on the spot.
    explicit XConnectionLossHandler (std::function<void()> beforeExit);
    // Puts the previous handler back.
    ~XConnectionLossHandler();

private:
    std::function<void()> beforeExit;

    XConnectionLossHandler (const XConnectionLossHandler&) = delete;
    XConnectionLossHandler& operator= (const XConnectionLossHandler&) = delete;
};
