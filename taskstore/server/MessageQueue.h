#pragma once
// Hands messages from a connection's reader thread to its worker thread.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace taskstore::server {

template <typename T>
class MessageQueue {
public:
    void push(T item)
    {
        {
            const std::lock_guard lock(mutex_);
            items_.push_back(std::move(item));
        }
        ready_.notify_one();
    }

    // Waits for the next item; nothing when the deadline passes first.
    std::optional<T> pop(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max())
    {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_until(lock, deadline, [this] { return !items_.empty(); }))
            return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        return item;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<T> items_;
};

}  // namespace taskstore::server
