// JUCE's message-thread lock, taken from any thread for as long as this object lives, as
// juce::MessageManagerLock does it (wait however long it takes; at once on the message thread).
//
// Once the program quits, the message thread takes no more lock requests (JUCE refuses to post them
// after the quit message): the lock then returns at once without being gained, and its holder must touch
// nothing that the message thread owns, which may be going away at that very moment.
//
// Why not juce::MessageManagerLock itself: the message thread grants JUCE 7's lock by first setting a
// flag that the waiting thread may already see, and only then signalling the lock's event. A waiting
// thread that sees the flag goes on, releases the lock and destroys it, while the message thread still
// locks and writes the event inside it: on a listener thread's stack, that is a write into memory the
// thread has since reused, or a wait on a mutex that is no longer one. The lock objects here are never
// destroyed: each is lent from a pool and comes back when released, so a late signal lands on a live
// event and at most wakes its next user once, which the lock's own wait loop takes as spurious.
#pragma once

#include <juce_events/juce_events.h>

class MessageThreadLock
{
public:
    MessageThreadLock();
    ~MessageThreadLock();

    bool lockWasGained() const noexcept { return gained; }

private:
    juce::MessageManager::Lock& lock;
    bool gained = false;

    JUCE_DECLARE_NON_COPYABLE (MessageThreadLock)
};
