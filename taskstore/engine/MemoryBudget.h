#pragma once
// A bound on memory that several threads take from: a session's (its replies being encoded, its
// unfinished request) or the whole server's (all of that for every session, plus what the
// storage engine holds, which it reports through `heldElsewhere`). Past the bound a request fails
// with 701 and the session goes on.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <utility>

namespace taskstore {

class MemoryBudget {
public:
    // `heldElsewhere`: memory counted against the limit beside the charges (none: nothing), of
    // which charges always leave `keptElsewhere` to it. `charged`: told the new total after every
    // change, so the other holder can be kept to what is left.
    explicit MemoryBudget(std::size_t limit, std::function<std::size_t()> heldElsewhere = {},
                          std::function<void(std::size_t charged)> charged = {}, std::size_t keptElsewhere = 0)
        : limit_(limit),
          chargeable_(limit - std::min(keptElsewhere, limit)),
          heldElsewhere_(std::move(heldElsewhere)),
          onCharged_(std::move(charged))
    {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    std::size_t limit() const { return limit_; }
    std::size_t charged() const { return charged_; }

    // Takes `bytes` if they fit beside what is charged and held elsewhere; false (nothing taken)
    // if not.
    bool tryCharge(std::size_t bytes)
    {
        const std::size_t elsewhere = heldElsewhere_ ? heldElsewhere_() : 0;
        std::size_t now = charged_.load();
        do {
            if (bytes > chargeable_ || now > chargeable_ - bytes || now + elsewhere > limit_ - bytes)
                return false;
        } while (!charged_.compare_exchange_weak(now, now + bytes));
        if (onCharged_)
            onCharged_(now + bytes);
        return true;
    }
    void release(std::size_t bytes)
    {
        const std::size_t now = charged_.fetch_sub(bytes) - bytes;
        if (onCharged_)
            onCharged_(now);
    }

private:
    const std::size_t limit_;
    const std::size_t chargeable_;
    std::function<std::size_t()> heldElsewhere_;
    std::function<void(std::size_t)> onCharged_;
    std::atomic<std::size_t> charged_{0};
};

// Memory taken from a session's budget and the server's together, given back when it ends.
class MemoryCharge {
public:
    MemoryCharge() = default;
    // Charges both or neither; ok() tells which.
    MemoryCharge(MemoryBudget* session, MemoryBudget* server, std::size_t bytes)
    {
        if (session && !session->tryCharge(bytes))
            return;
        if (server && !server->tryCharge(bytes)) {
            if (session)
                session->release(bytes);
            return;
        }
        session_ = session;
        server_ = server;
        bytes_ = bytes;
        ok_ = true;
    }
    MemoryCharge(MemoryCharge&& other) noexcept { *this = std::move(other); }
    MemoryCharge& operator=(MemoryCharge&& other) noexcept
    {
        if (this != &other) {
            release();
            session_ = std::exchange(other.session_, nullptr);
            server_ = std::exchange(other.server_, nullptr);
            bytes_ = std::exchange(other.bytes_, 0);
            ok_ = std::exchange(other.ok_, false);
        }
        return *this;
    }
    ~MemoryCharge() { release(); }

    bool ok() const { return ok_; }
    std::size_t bytes() const { return bytes_; }
    // Takes more of both budgets, up to `bytes` in all; false (nothing more taken) if they have
    // not that much left.
    bool growTo(std::size_t bytes)
    {
        if (!ok_ || bytes <= bytes_)
            return ok_;
        const std::size_t more = bytes - bytes_;
        if (session_ && !session_->tryCharge(more))
            return false;
        if (server_ && !server_->tryCharge(more)) {
            if (session_)
                session_->release(more);
            return false;
        }
        bytes_ = bytes;
        return true;
    }
    void release()
    {
        if (session_)
            session_->release(bytes_);
        if (server_)
            server_->release(bytes_);
        session_ = server_ = nullptr;
        bytes_ = 0;
        ok_ = false;
    }

private:
    MemoryBudget* session_ = nullptr;
    MemoryBudget* server_ = nullptr;
    std::size_t bytes_ = 0;
    bool ok_ = false;
};

}  // namespace taskstore
