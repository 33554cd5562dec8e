#include "core/tap_ring.h"

namespace luma {

void TapRing::write(int64_t out, const float* left, const float* right, int count) noexcept {
    // Claimed before the first sample is overwritten, so that a reader
    // checking afterwards knows its span may have been (a sequence lock).
    claimed_.store(out + count, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int i = 0; i < count; ++i) {
        const size_t slot = static_cast<size_t>((out + i) & (kFrames - 1)) * 2;
        samples_[slot].store(left[i], std::memory_order_relaxed);
        samples_[slot + 1].store(right[i], std::memory_order_relaxed);
    }
    written_.store(out + count, std::memory_order_release);
}

bool TapRing::read(int64_t end, int count, float* left, float* right) const noexcept {
    const int64_t validFrom = validFrom_.load(std::memory_order_acquire);
    const int64_t written = written_.load(std::memory_order_acquire);
    if (count > kFrames / 2 || end > written) return false;
    const int64_t first = end - count;
    for (int i = 0; i < count; ++i) {
        const int64_t frame = first + i;
        if (frame < validFrom || frame < 0) {
            left[i] = right[i] = 0.0f;
            continue;
        }
        const size_t slot = static_cast<size_t>(frame & (kFrames - 1)) * 2;
        left[i] = samples_[slot].load(std::memory_order_relaxed);
        right[i] = samples_[slot + 1].load(std::memory_order_relaxed);
    }
    // The writer may have lapped the oldest frames while we copied, or be
    // overwriting them now.
    std::atomic_thread_fence(std::memory_order_acquire);
    const int64_t claimed = claimed_.load(std::memory_order_relaxed);
    return claimed - first <= kFrames;
}

}  // namespace luma
