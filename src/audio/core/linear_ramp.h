// A value that moves linearly to a target over a number of frames.
#pragma once

#include <cstdint>

namespace luma {

struct LinearRamp {
    double current = 0.0;
    double target = 0.0;
    double perFrame = 0.0;
    int64_t remaining = 0;

    void jumpTo(double value) noexcept {
        current = target = value;
        perFrame = 0.0;
        remaining = 0;
    }
    void glideTo(double value, int64_t frames) noexcept {
        if (frames <= 0) return jumpTo(value);
        target = value;
        remaining = frames;
        perFrame = (target - current) / static_cast<double>(frames);
    }
    bool moving() const noexcept { return remaining > 0; }
    void advance(int64_t frames) noexcept {
        if (remaining <= 0) return;
        if (frames >= remaining) return jumpTo(target);
        current += perFrame * static_cast<double>(frames);
        remaining -= frames;
    }
};

}  // namespace luma
