#include "taskstore/server/LoginThrottle.h"

namespace taskstore::server {

bool LoginThrottle::waitForTurn(const std::string& address)
{
    std::unique_lock lock(mutex_);
    const auto now = Clock::now();
    forgetOld(now);
    const auto found = records_.find(address);
    if (found == records_.end() || found->second.failures < freeFailures)
        return !stopping_;
    Record& record = found->second;
    const auto turn = std::max(now, record.nextTurn);
    if (turn - now > longestWait)
        return false;
    record.nextTurn = turn + spacing;
    return !stopped_.wait_until(lock, turn, [this] { return stopping_; });
}

void LoginThrottle::failed(const std::string& address)
{
    const std::lock_guard lock(mutex_);
    Record& record = records_[address];
    ++record.failures;
    record.lastFailure = Clock::now();
}

void LoginThrottle::succeeded(const std::string& address)
{
    const std::lock_guard lock(mutex_);
    records_.erase(address);
}

void LoginThrottle::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
}

void LoginThrottle::forgetOld(Clock::time_point now)
{
    std::erase_if(records_, [&](const auto& entry) {
        return now - entry.second.lastFailure > memory && entry.second.nextTurn < now;
    });
}

}  // namespace taskstore::server
