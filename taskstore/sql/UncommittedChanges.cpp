#include "taskstore/sql/UncommittedChanges.h"

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
    { const std::lock_guard lock(mutex_); }
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

UncommittedChanges::Wait UncommittedChanges::waitUntilFree(Owner self, const std::vector<std::string>& tables,
                                                           std::chrono::milliseconds timeout,
                                                           const std::atomic<bool>& stop)
{
    std::unique_lock lock(mutex_);
    const auto settled = [&] { return stop || !changedByOthers(self, tables); };
    if (timeout.count() < 0)
        released_.wait(lock, settled);
    else if (!released_.wait_for(lock, timeout, settled))
        return Wait::TimedOut;
    return changedByOthers(self, tables) ? Wait::Stopped : Wait::Free;
}

}  // namespace taskstore::sql
