#pragma once
// Hands messages from a connection's reader thread to its worker thread. Each item carries a
// weight (its bytes), so that the reader can stop reading while too much waits unanswered; the
// queue adds what holding the item costs itself, so that a flood of empty messages weighs too.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace taskstore::server {

template <typename T>
class MessageQueue {
public:
    void push(T item, std::size_t weight = 0)
    {
        weight += sizeof(std::pair<T, std::size_t>);
        {
            const std::lock_guard lock(mutex_);
            items_.emplace_back(std::move(item), weight);
            weight_ += weight;
        }
        ready_.notify_one();
    }

    // Waits for the next item; nothing when the deadline passes first.
    std::optional<T> pop(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max())
    {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_until(lock, deadline, [this] { return !items_.empty(); }))
            return std::nullopt;
        auto [item, weight] = std::move(items_.front());
        items_.pop_front();
        weight_ -= weight;
        lock.unlock();
        room_.notify_all();
        return std::move(item);
    }

    // Waits until the queued items weigh less than `limit`; returns false once release() was called.
    bool waitForRoom(std::size_t limit)
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return released_ || weight_ < limit; });
        return !released_;
    }

    // Ends every wait for room, for good: nobody takes items any more.
    void release()
    {
        {
            const std::lock_guard lock(mutex_);
            released_ = true;
        }
        room_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::pair<T, std::size_t>> items_;
    std::size_t weight_ = 0;
    bool released_ = false;
};

}  // namespace taskstore::server
