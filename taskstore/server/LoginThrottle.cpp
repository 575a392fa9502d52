#include "taskstore/server/LoginThrottle.h"

#include <algorithm>

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
    // Distinct addresses are bounded too (127.0.0.0/8 alone has 16 million).
    if (records_.size() >= maxAddresses && !records_.contains(address)) {
        forgetOld(Clock::now());
        if (records_.size() >= maxAddresses)
            records_.erase(std::min_element(records_.begin(), records_.end(), [](const auto& a, const auto& b) {
                return a.second.lastFailure < b.second.lastFailure;
            }));
    }
    Record& record = records_[address];
    ++record.failures;
    record.lastFailure = Clock::now();
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
        return now - entry.second.lastFailure > memory_ && entry.second.nextTurn < now;
    });
}

}  // namespace taskstore::server
