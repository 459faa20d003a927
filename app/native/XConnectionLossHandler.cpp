// Kept apart from the JUCE side: Xlib's macros clash with other headers.
#include "XConnectionLossHandler.h"

#include <juce_events/juce_events.h>

#include <X11/Xlib.h>

#include <unistd.h>

namespace
{
    XIOErrorHandler previousHandler = nullptr;
    std::function<void()>* currentAction = nullptr;

    int handleConnectionLoss (::Display*)
    {
        // Only the message thread may touch the program's objects; a second loss while saving is ignored.
        if (auto* action = std::exchange (currentAction, nullptr))
            if (juce::MessageManager::existsAndIsCurrentThread())
                (*action)();

        // Xlib would call exit() once this returns, whose static destructors pull JUCE's locks from under
        // its still running threads. Nothing is left to do: end with Xlib's status, without them.
        ::_exit (1);
    }
}

XConnectionLossHandler::XConnectionLossHandler (std::function<void()> action) : beforeExit (std::move (action))
{
    jassert (currentAction == nullptr);
    currentAction = &beforeExit;
    previousHandler = XSetIOErrorHandler (handleConnectionLoss);
}

XConnectionLossHandler::~XConnectionLossHandler()
{
    XSetIOErrorHandler (previousHandler);
    previousHandler = nullptr;
    currentAction = nullptr;
}
