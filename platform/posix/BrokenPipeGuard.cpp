#include "BrokenPipeGuard.h"

#include <csignal>

namespace
{
    // The write that raised the signal returns EPIPE once this returns: nothing to do here.
    void onBrokenPipe (int)
    {}
}

void guardAgainstBrokenPipes()
{
    struct sigaction action
    {};
    action.sa_handler = onBrokenPipe;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction (SIGPIPE, &action, nullptr);
}
