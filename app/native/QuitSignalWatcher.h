// Turns the signals by which the system asks a program to end (SIGTERM from a logout, `kill` or a
// service stop, SIGHUP when the terminal goes, SIGINT from Ctrl-C) into one call on the message thread,
// so such a quit takes the same road as the window's close button and saves what it should.
#pragma once

#include <juce_events/juce_events.h>

#include <array>
#include <csignal>
#include <functional>

class QuitSignalWatcher
{
public:
    // Installs the handlers; `onQuitRequest` runs on the message thread, once per wake-up however many
    // signals arrived meanwhile. Construct and destroy on the message thread.
    explicit QuitSignalWatcher (std::function<void()> onQuitRequest);
    // Puts the handlers found at construction back, unless the program quits: then further quit signals
    // are absorbed until the process exits.
    ~QuitSignalWatcher();

    static constexpr std::array<int, 3> signals { SIGTERM, SIGHUP, SIGINT };

private:
    void drainAndNotify (int fd);

    std::function<void()> onQuitRequest;
    std::array<struct sigaction, signals.size()> previousActions {};

    JUCE_DECLARE_NON_COPYABLE (QuitSignalWatcher)
};
