#pragma once
// Which tables each session has changed in its open transaction. At READ COMMITTED a statement
// that reads such a table waits until the change is committed or rolled back, as SQL Server's
// readers wait for the exclusive locks of a writer; SQLite alone would show them the old rows.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace taskstore::sql {

class UncommittedChanges {
public:
    using Owner = const void*;

    // The owner has changed the table (any key that names one table) and not yet committed.
    void record(Owner owner, const std::string& table);
    // The owner's transaction ended: its tables are free again.
    void release(Owner owner);

    enum class Wait { Free, TimedOut, Stopped };
    // Waits until no other owner has uncommitted changes to any of the tables, for at most
    // `timeout` (negative: without a limit) or until `stop` is set and wake() called.
    Wait waitUntilFree(Owner self, const std::vector<std::string>& tables, std::chrono::milliseconds timeout,
                       const std::atomic<bool>& stop);
    // Before a session starts changing a table: waits while readers queue for it, so that a stream
    // of writers cannot keep them waiting for ever (SQL Server grants locks in order of request).
    Wait waitForQueuedReaders(const std::string& table, std::chrono::milliseconds timeout,
                              const std::atomic<bool>& stop);
    // Makes every waiter look at its stop flag again.
    void wake();

private:
    bool changedByOthers(Owner self, const std::vector<std::string>& tables) const;
    // Waits for the condition with the time-out rules of both waits.
    template <typename Settled>
    bool waitFor(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds timeout, Settled settled);

    std::mutex mutex_;
    std::condition_variable released_;
    std::map<Owner, std::set<std::string>> changed_;
    std::multiset<std::string> queued_;  // tables that readers wait for
};

}  // namespace taskstore::sql
