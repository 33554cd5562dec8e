// A render callback that tells the tests what the audio thread did.
#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include "output/output.h"

namespace luma::test {

// Every frame carries its own number, split over the two channels in steps
// coarse enough to survive 16-bit quantisation at any scaling convention.
constexpr int kSteps = 4096;

inline void encodeFrame(int64_t frame, float* out) {
    out[0] = static_cast<float>(frame % kSteps - kSteps / 2) / (kSteps / 2);
    out[1] = static_cast<float>(frame / kSteps % kSteps - kSteps / 2) / (kSteps / 2);
}

inline int64_t decodeFrame(double left, double right) {
    const auto level = [](double x) { return std::lround(x * (kSteps / 2)) + kSteps / 2; };
    return level(left) + level(right) * kSteps;
}

// Polls `done` for up to five seconds.
template <typename Done>
bool waitFor(Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

class TestCallback : public RenderCallback {
  public:
    void renderAudio(float* interleavedStereo, int frames) noexcept override {
        inside.store(true);
        if (frames != 256) oddPeriods.fetch_add(1);
        const int64_t first = framesRendered.load();
        for (int i = 0; i < frames; ++i) encodeFrame(first + i, interleavedStereo + 2 * i);
        const std::chrono::microseconds busy = periods.load() == stallOnPeriod
                                                   ? std::chrono::milliseconds(stallMilliseconds)
                                                   : std::chrono::microseconds(busyMicroseconds);
        if (busy.count() > 0) std::this_thread::sleep_for(busy);
        framesRendered.fetch_add(frames);
        periods.fetch_add(1);
        inside.store(false);
    }

    bool waitForPeriods(int64_t count) const {
        return waitFor([&] { return periods.load() >= count; });
    }

    int busyMicroseconds = 0;    // stretches each period, so stop() can meet one in progress
    int64_t stallOnPeriod = -1;  // one period that takes stallMilliseconds instead
    int stallMilliseconds = 0;
    std::atomic<bool> inside{false};
    std::atomic<int64_t> periods{0};
    std::atomic<int64_t> framesRendered{0};
    std::atomic<int64_t> oddPeriods{0};  // periods not of 256 frames
};

}  // namespace luma::test
