// The last frames a channel sent to the output, kept for the level meter
// and the spectrum. The audio thread writes; any thread reads without locks
// (relaxed atomics per sample, and a check that the span read was not
// overwritten meanwhile).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace luma {

class TapRing {
  public:
    static constexpr int64_t kFrames = 16384;

    // Audio thread: frames [out, out + count) were heard as left/right.
    void write(int64_t out, const float* left, const float* right, int count) noexcept;
    // Audio thread: nothing before `out` belongs to the present playback.
    void startAt(int64_t out) noexcept { validFrom_.store(out, std::memory_order_release); }

    // Reader: copies frames [end - count, end) as left/right (count <= 8192);
    // frames never written read as silence. False when the span is gone.
    bool read(int64_t end, int count, float* left, float* right) const noexcept;
    // Reader: frames before this one are complete.
    int64_t written() const noexcept { return written_.load(std::memory_order_acquire); }

  private:
    std::array<std::atomic<float>, kFrames * 2> samples_{};
    std::atomic<int64_t> written_{0};  // frames before this one are complete
    std::atomic<int64_t> claimed_{0};  // frames before this one may be being written
    std::atomic<int64_t> validFrom_{0};
};

}  // namespace luma
