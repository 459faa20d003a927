#include "QuitSignalWatcher.h"

#include <atomic>
#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace
{
    // One pipe for the whole process, never closed: a signal that arrives while a watcher goes away
    // then still writes into this pipe and never into a descriptor that was reused meanwhile.
    int wakeFds[2] = { -1, -1 };
    std::atomic<int> wakeWriteFd { -1 };

    bool openWakePipe()
    {
        static std::once_flag once;
        std::call_once (once,
                        []
                        {
            if (::pipe2 (wakeFds, O_CLOEXEC | O_NONBLOCK) == 0)
                wakeWriteFd = wakeFds[1];
        });

        return wakeWriteFd >= 0;
    }

    // Only async-signal-safe work: one byte into the pipe. A full pipe already holds a wake-up.
    void wakeMessageThread (int)
    {
        const int savedErrno = errno;
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write (wakeWriteFd.load(), &byte, 1);
        errno = savedErrno;
    }

    void drain (int fd)
    {
        char buffer[64];
        while (::read (fd, buffer, sizeof (buffer)) > 0)
            ;
    }

    // Whether the message loop was told to stop: every way of quitting the program goes through it.
    bool quitHasBegun()
    {
        auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();
        return messageManager != nullptr && messageManager->hasStopMessageBeenSent();
    }
}

QuitSignalWatcher::QuitSignalWatcher (std::function<void()> callback) : onQuitRequest (std::move (callback))
{
    if (! openWakePipe())
        return;

    // A wake-up left over from an earlier watcher is not a request to this one.
    drain (wakeFds[0]);

    juce::LinuxEventLoop::registerFdCallback (wakeFds[0], [this] (int fd) { drainAndNotify (fd); });

    struct sigaction action
    {};
    action.sa_handler = wakeMessageThread;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART;

    for (size_t i = 0; i < signals.size(); ++i)
        ::sigaction (signals[i], &action, &previousActions[i]);
}

QuitSignalWatcher::~QuitSignalWatcher()
{
    if (wakeWriteFd < 0)
        return;

    // A program that quits has saved, or is saving, what it should: one more quit signal must not end it
    // by the default action, with the status of a crash. The handlers stay until the process exits; the
    // pipe they write to is never closed, and once full it drops their bytes.
    if (! quitHasBegun())
        for (size_t i = 0; i < signals.size(); ++i)
            ::sigaction (signals[i], &previousActions[i], nullptr);

    juce::LinuxEventLoop::unregisterFdCallback (wakeFds[0]);
}

void QuitSignalWatcher::drainAndNotify (int fd)
{
    drain (fd);

    if (onQuitRequest != nullptr)
        onQuitRequest();
}
