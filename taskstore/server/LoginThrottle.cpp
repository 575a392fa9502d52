#include "taskstore/server/LoginThrottle.h"

#include <algorithm>

#include "common/AsciiCase.h"

namespace taskstore::server {

using namespace std::chrono_literals;

LoginThrottle::Check LoginThrottle::waitForTurn(const std::string& login, const std::string& client,
                                                const std::function<bool()>& abandoned)
{
    std::unique_lock lock(mutex_);
    if (stopping_)
        return Check::Abandoned;
    Account& account = accounts_[common::asciiUpper(login)];
    const auto now = Clock::now();
    forgetOld(account, now);
    Client& record = clientRecord(account, client);
    if (record.failures + record.freeBeingChecked < freeFailures
        && account.freeFailures + account.freeBeingChecked < freeFailuresPerLogin) {
        ++record.freeBeingChecked;
        ++account.freeBeingChecked;
        return Check::Free;
    }
    const std::uint64_t ticket = nextTicket_++;
    account.waiting.push_back(Waiter{ticket, client});
    const auto leave = [&](Check check) {
        std::erase_if(account.waiting, [&](const Waiter& waiter) { return waiter.ticket == ticket; });
        changed_.notify_all();
        return check;
    };
    for (;;) {
        if (stopping_ || abandoned())
            return leave(Check::Abandoned);
        const auto at = Clock::now();
        if (nextInRotation(account) == ticket && at >= account.nextTurn) {
            account.nextTurn = at + spacing;
            clientRecord(account, client).lastTurn = at;
            return leave(Check::AtTurn);
        }
        changed_.wait_until(lock, std::min(at + 100ms, std::max(at, account.nextTurn)));
    }
}

std::uint64_t LoginThrottle::nextInRotation(const Account& account)
{
    const Waiter* next = nullptr;
    for (const Waiter& waiter : account.waiting) {
        if (!next || account.clients.at(waiter.client).lastTurn < account.clients.at(next->client).lastTurn)
            next = &waiter;
    }
    return next ? next->ticket : 0;
}

void LoginThrottle::failed(const std::string& login, const std::string& client, Check check)
{
    const std::lock_guard lock(mutex_);
    Account& account = accounts_[common::asciiUpper(login)];
    Client& record = clientRecord(account, client);
    const auto now = Clock::now();
    if (check == Check::Free) {
        freeCheckDone(account, record);
        ++account.freeFailures;
        account.lastFreeFailure = now;
    }
    ++record.failures;
    record.lastFailure = now;
}

void LoginThrottle::passed(const std::string& login, const std::string& client, Check check)
{
    const std::lock_guard lock(mutex_);
    Account& account = accounts_[common::asciiUpper(login)];
    if (check == Check::Free)
        freeCheckDone(account, clientRecord(account, client));
}

void LoginThrottle::freeCheckDone(Account& account, Client& record)
{
    if (record.freeBeingChecked > 0)
        --record.freeBeingChecked;
    if (account.freeBeingChecked > 0)
        --account.freeBeingChecked;
}

void LoginThrottle::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

LoginThrottle::Client& LoginThrottle::clientRecord(Account& account, const std::string& client)
{
    // Distinct clients are bounded too: remote addresses are many. The one forgotten to make room
    // is the one that failed longest ago and is not waiting.
    if (account.clients.size() >= maxClients && !account.clients.contains(client)) {
        forgetOld(account, Clock::now());
        auto oldest = account.clients.end();
        for (auto it = account.clients.begin(); it != account.clients.end(); ++it) {
            const bool waiting = std::any_of(account.waiting.begin(), account.waiting.end(),
                                             [&](const Waiter& waiter) { return waiter.client == it->first; });
            if (!waiting && it->second.freeBeingChecked == 0
                && (oldest == account.clients.end() || it->second.lastFailure < oldest->second.lastFailure))
                oldest = it;
        }
        if (account.clients.size() >= maxClients && oldest != account.clients.end())
            account.clients.erase(oldest);
    }
    return account.clients[client];
}

void LoginThrottle::forgetOld(Account& account, Clock::time_point now)
{
    if (now - account.lastFreeFailure > memory_)
        account.freeFailures = 0;
    std::erase_if(account.clients, [&](const auto& entry) {
        return now - entry.second.lastFailure > memory_ && now - entry.second.lastTurn > memory_
            && entry.second.freeBeingChecked == 0
            && std::none_of(account.waiting.begin(), account.waiting.end(),
                            [&](const Waiter& waiter) { return waiter.client == entry.first; });
    });
}

}  // namespace taskstore::server
