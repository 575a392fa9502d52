#include "taskstore/server/Admission.h"

#include <tuple>

namespace taskstore::server {

Admission::Verdict Admission::arrive(int id, const std::string& client)
{
    const std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    const int fromClient = waitingByClient_.contains(client) ? waitingByClient_.at(client) : 0;
    const bool clientFull = fromClient >= limits_.waitingPerClient;
    Verdict verdict;
    if (clientFull || static_cast<int>(waiting_.size()) >= limits_.waiting) {
        verdict.displaced = displaceable(client, clientFull, now);
        if (verdict.displaced == 0) {
            verdict.why = clientFull ? std::to_string(fromClient) + " connections of " + client + " not logged on yet"
                                     : std::to_string(waiting_.size()) + " connections not logged on yet";
            return verdict;
        }
        forgetWaiting(waiting_.find(verdict.displaced));
    }
    waiting_[id] = Waiting{client, 0, now};
    ++waitingByClient_[client];
    verdict.admitted = true;
    return verdict;
}

int Admission::displaceable(const std::string& client, bool clientFull, Clock::time_point now) const
{
    // Smallest first: the client holding most, then least progress, then longest without any.
    using Rank = std::tuple<int, int, Clock::time_point>;
    int chosen = 0;
    Rank best{};
    for (const auto& [id, waiting] : waiting_) {
        if (clientFull && waiting.client != client)
            continue;
        if (now - waiting.lastProgress < limits_.settled)
            continue;
        const Rank rank{-waitingByClient_.at(waiting.client), waiting.messages, waiting.lastProgress};
        if (chosen == 0 || rank < best) {
            chosen = id;
            best = rank;
        }
    }
    return chosen;
}

void Admission::progressed(int id)
{
    const std::lock_guard lock(mutex_);
    const auto found = waiting_.find(id);
    if (found == waiting_.end())
        return;
    ++found->second.messages;
    found->second.lastProgress = Clock::now();
}

bool Admission::logOn(int id)
{
    const std::lock_guard lock(mutex_);
    const auto found = waiting_.find(id);
    if (found == waiting_.end() || static_cast<int>(sessions_.size()) >= limits_.sessions)
        return false;
    forgetWaiting(found);
    sessions_.insert(id);
    return true;
}

void Admission::left(int id)
{
    const std::lock_guard lock(mutex_);
    if (sessions_.erase(id) > 0)
        return;
    if (const auto found = waiting_.find(id); found != waiting_.end())
        forgetWaiting(found);
}

void Admission::forgetWaiting(std::map<int, Waiting>::iterator waiting)
{
    if (--waitingByClient_[waiting->second.client] == 0)
        waitingByClient_.erase(waiting->second.client);
    waiting_.erase(waiting);
}

}  // namespace taskstore::server
