#pragma once
// A growable array of trivially copyable values kept with malloc and realloc. For the large
// blocks of a big result, realloc moves the pages instead of copying them, so growing to hundreds
// of megabytes costs neither a copy nor a second round of page faults, as std::vector's
// allocate-copy-free growth does.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace db {

template <typename T>
class ReallocBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    ReallocBuffer() = default;
    ~ReallocBuffer() { std::free(data_); }
    ReallocBuffer(const ReallocBuffer&) = delete;
    ReallocBuffer& operator=(const ReallocBuffer&) = delete;
    ReallocBuffer(ReallocBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0))
    {}
    ReallocBuffer& operator=(ReallocBuffer&& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    const T* data() const { return data_; }
    const T& operator[](std::size_t i) const { return data_[i]; }

    void reserve(std::size_t count)
    {
        if (count <= capacity_)
            return;
        void* grown = std::realloc(data_, count * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        data_ = static_cast<T*>(grown);
        capacity_ = count;
    }
    void push_back(const T& value)
    {
        makeRoom(1);
        data_[size_++] = value;
    }
    void append(const T* values, std::size_t count)
    {
        makeRoom(count);
        if (count != 0)
            std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }

    // Room for count more values at the end, to be written in place: returns where they go.
    // commit() then counts those actually written, never more than count.
    T* extend(std::size_t count)
    {
        makeRoom(count);
        return data_ + size_;
    }
    void commit(std::size_t count) { size_ += count; }

private:
    void makeRoom(std::size_t count)
    {
        if (size_ + count > capacity_)
            reserve(std::max(size_ + count, capacity_ < 64 ? std::size_t{64} : capacity_ * 2));
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace db
