// A lock-free ring between exactly one producer thread and one consumer thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace luma {

template <typename T>
class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(std::atomic<size_t>::is_always_lock_free);

  public:
    // Capacity is rounded up to a power of two so indices wrap with a mask.
    explicit SpscRing(size_t minCapacity) {
        size_t capacity = 1;
        while (capacity < minCapacity) capacity <<= 1;
        buffer_ = std::make_unique<T[]>(capacity);
        mask_ = capacity - 1;
    }

    size_t capacity() const { return mask_ + 1; }

    // Producer side: room left. It only grows until the producer writes again.
    size_t writable() const {
        return capacity() -
               (head_.load(std::memory_order_relaxed) - tail_.load(std::memory_order_acquire));
    }

    // Consumer side: items waiting. It only grows until the consumer reads again.
    size_t readable() const {
        return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_relaxed);
    }

    // Copies in as many of `count` items as fit; returns how many.
    size_t write(const T* items, size_t count) noexcept {
        const size_t head = head_.load(std::memory_order_relaxed);
        count = std::min(count, writable());
        copyIn(items, count, head);
        head_.store(head + count, std::memory_order_release);
        return count;
    }

    // Copies out up to `count` items; returns how many.
    size_t read(T* items, size_t count) noexcept {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        count = std::min(count, readable());
        copyOut(items, count, tail);
        tail_.store(tail + count, std::memory_order_release);
        return count;
    }

    // Empties the ring; only while neither side is running.
    void reset() {
        head_.store(0, std::memory_order_relaxed);
        tail_.store(0, std::memory_order_relaxed);
    }

  private:
    // A span may wrap past the end of the buffer, so each copy goes in two pieces.
    void copyIn(const T* items, size_t count, size_t position) {
        const size_t start = position & mask_;
        const size_t first = std::min(count, capacity() - start);
        std::copy_n(items, first, buffer_.get() + start);
        std::copy_n(items + first, count - first, buffer_.get());
    }
    void copyOut(T* items, size_t count, size_t position) const {
        const size_t start = position & mask_;
        const size_t first = std::min(count, capacity() - start);
        std::copy_n(buffer_.get() + start, first, items);
        std::copy_n(buffer_.get(), count - first, items + first);
    }

    std::unique_ptr<T[]> buffer_;
    size_t mask_ = 0;
    // Counters run freely and are masked on use; apart so the threads don't share a line.
    alignas(64) std::atomic<size_t> head_{0};  // written by the producer
    alignas(64) std::atomic<size_t> tail_{0};  // written by the consumer
};

}  // namespace luma
