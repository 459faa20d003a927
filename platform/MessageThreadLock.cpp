#include "MessageThreadLock.h"

#include <deque>
#include <mutex>
#include <vector>

namespace
{
    // Lock objects live as long as the process: the pool is never destroyed, not even at exit, when the
    // message thread may still be signalling one of them.
    class LockPool
    {
    public:
        static LockPool& get()
        {
            static auto* pool = new LockPool();
            return *pool;
        }

        juce::MessageManager::Lock& lend()
        {
            const std::lock_guard<std::mutex> guard (mutex);
            if (idle.empty())
                return locks.emplace_back();

            auto& lock = *idle.back();
            idle.pop_back();
            return lock;
        }

        void giveBack (juce::MessageManager::Lock& lock)
        {
            const std::lock_guard<std::mutex> guard (mutex);
            idle.push_back (&lock);
        }

    private:
        std::mutex mutex;
        std::deque<juce::MessageManager::Lock> locks;   // stable addresses; one per thread ever waiting at once
        std::vector<juce::MessageManager::Lock*> idle;
    };
}

MessageThreadLock::MessageThreadLock() : lock (LockPool::get().lend())
{
    // enter() returns without the lock when its request cannot be posted, and does not say so. tryEnter()
    // waits just as long (only abort() ends its wait early, and nothing here calls it) and tells.
    gained = lock.tryEnter();
}

MessageThreadLock::~MessageThreadLock()
{
    lock.exit();
    LockPool::get().giveBack (lock);
}
