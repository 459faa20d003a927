// The signals by which the system asks the program to end reach it as one call on the message thread.
#include <gtest/gtest.h>

#include "TestSupport.h"

#if JUCE_LINUX
 #include "native/QuitSignalWatcher.h"

 #include <csignal>
 #include <cstring>

namespace
{
    using testing_support::pumpFor;
    using testing_support::pumpUntil;

    struct Requests
    {
        std::function<void()> callback()
        {
            return [this]
            {
                ++count;
                allOnMessageThread = allOnMessageThread && juce::MessageManager::existsAndIsCurrentThread();
                };
        }

        int count = 0;
        bool allOnMessageThread = true;
    };

    void (*currentHandler (int signal)) (int)
    {
        struct sigaction action
        {};
        ::sigaction (signal, nullptr, &action);
        return action.sa_handler;
    }
}

TEST (QuitSignalWatcher, TermHangupAndInterruptEachAskOnTheMessageThread)
{
    for (const int signal : { SIGTERM, SIGHUP, SIGINT })
    {
        SCOPED_TRACE (strsignal (signal));
        Requests requests;
        QuitSignalWatcher watcher (requests.callback());

        ASSERT_EQ (::raise (signal), 0);
        EXPECT_TRUE (pumpUntil ([&] { return requests.count > 0; }));
        EXPECT_EQ (requests.count, 1);
        EXPECT_TRUE (requests.allOnMessageThread);
    }
}

TEST (QuitSignalWatcher, SignalsBeforeTheLoopRunsAskOnce)
{
    Requests requests;
    QuitSignalWatcher watcher (requests.callback());

    for (const int signal : { SIGTERM, SIGTERM, SIGHUP })
        ASSERT_EQ (::raise (signal), 0);

    EXPECT_TRUE (pumpUntil ([&] { return requests.count > 0; }));
    pumpFor (100);
    EXPECT_EQ (requests.count, 1);
}

TEST (QuitSignalWatcher, GoingAwayPutsTheEarlierHandlersBack)
{
    std::vector<void (*) (int)> before;
    for (const int signal : QuitSignalWatcher::signals)
        before.push_back (currentHandler (signal));

    {
        Requests requests;
        QuitSignalWatcher watcher (requests.callback());
        for (size_t i = 0; i < QuitSignalWatcher::signals.size(); ++i)
            EXPECT_NE (currentHandler (QuitSignalWatcher::signals[i]), before[i]);
    }

    for (size_t i = 0; i < QuitSignalWatcher::signals.size(); ++i)
        EXPECT_EQ (currentHandler (QuitSignalWatcher::signals[i]), before[i]) << strsignal (QuitSignalWatcher::signals[i]);
}

TEST (QuitSignalWatcher, AWakeUpLeftByAnEarlierWatcherIsNotARequest)
{
    {
        Requests first;
        QuitSignalWatcher watcher (first.callback());
        ASSERT_EQ (::raise (SIGTERM), 0);
        // Gone before its loop ran: the wake-up stays in the pipe.
    }

    Requests second;
    QuitSignalWatcher watcher (second.callback());
    pumpFor (100);
    EXPECT_EQ (second.count, 0);
}
#endif
