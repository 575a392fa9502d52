#include "taskstore/sql/session/UncommittedChanges.h"

namespace taskstore::sql {

void UncommittedChanges::record(Owner owner, const std::string& table)
{
    const std::lock_guard lock(mutex_);
    changed_[owner].insert(table);
}

void UncommittedChanges::release(Owner owner)
{
    {
        const std::lock_guard lock(mutex_);
        if (changed_.erase(owner) == 0)
            return;
    }
    released_.notify_all();
}

void UncommittedChanges::wake()
{
    // Taking the lock orders the waker's stop flag before a waiter's next look at it.
    {
        const std::lock_guard lock(mutex_);
    }
    released_.notify_all();
}

bool UncommittedChanges::changedByOthers(Owner self, const std::vector<std::string>& tables) const
{
    for (const auto& [owner, changed] : changed_) {
        if (owner == self)
            continue;
        for (const std::string& table : tables)
            if (changed.contains(table))
                return true;
    }
    return false;
}

template <typename Settled>
bool UncommittedChanges::waitFor(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds timeout, Settled settled)
{
    if (timeout.count() >= 0)
        return released_.wait_for(lock, timeout, settled);
    released_.wait(lock, settled);
    return true;
}

UncommittedChanges::Wait UncommittedChanges::waitUntilFree(Owner self, const std::vector<std::string>& tables,
                                                           std::chrono::milliseconds timeout,
                                                           const std::atomic<bool>& stop)
{
    std::unique_lock lock(mutex_);
    if (!changedByOthers(self, tables))
        return Wait::Free;
    std::vector<std::multiset<std::string>::iterator> queued;
    for (const std::string& table : tables)
        queued.push_back(queued_.insert(table));
    const bool settled = waitFor(lock, timeout, [&] { return stop || !changedByOthers(self, tables); });
    const bool free = !changedByOthers(self, tables);
    for (const auto& entry : queued)
        queued_.erase(entry);
    lock.unlock();
    released_.notify_all();
    if (!settled)
        return Wait::TimedOut;
    return free ? Wait::Free : Wait::Stopped;
}

UncommittedChanges::Wait UncommittedChanges::waitForQueuedReaders(const std::string& table,
                                                                  std::chrono::milliseconds timeout,
                                                                  const std::atomic<bool>& stop)
{
    std::unique_lock lock(mutex_);
    if (!waitFor(lock, timeout, [&] { return stop || !queued_.contains(table); }))
        return Wait::TimedOut;
    return queued_.contains(table) ? Wait::Stopped : Wait::Free;
}

}  // namespace taskstore::sql
