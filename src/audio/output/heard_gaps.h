// Counts the periods a device played without our sound, from when its
// callbacks come. After a callback the device holds a known amount of our
// sound; a callback that comes after that ran out tells how long the device
// played silence because we were late (our process stalled, its thread was
// not scheduled), which a sound server does not always report.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>

namespace luma {

class HeardGaps {
  public:
    using Clock = std::chrono::steady_clock;

    // `bufferedFrames`: what the device holds after a callback has filled it.
    void configure(double rate, int bufferedFrames, int periodFrames) noexcept {
        buffered_ = bufferedFrames / rate;
        period_ = periodFrames / rate;
        last_ = {};
    }
    // Forget the last callback: after a pause, the gap is no loss.
    void restart() noexcept { last_ = {}; }

    // Audio thread, at each callback: the periods heard missing since the last one.
    uint64_t callback(Clock::time_point now) noexcept {
        uint64_t missing = 0;
        if (last_ != Clock::time_point{} && period_ > 0) {
            const double dry = std::chrono::duration<double>(now - last_).count() - buffered_;
            // Half a period of leeway: callbacks are never exactly on time.
            if (dry > 0.5 * period_)
                missing = static_cast<uint64_t>(std::ceil(dry / period_ - 0.5));
        }
        last_ = now;
        return missing;
    }

  private:
    double buffered_ = 0;
    double period_ = 0;
    Clock::time_point last_{};
};

}  // namespace luma
