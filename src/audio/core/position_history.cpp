#include "core/position_history.h"

namespace luma {

void PositionHistory::add(int64_t out, double position) noexcept {
    if (count_ == kSize) {
        first_ = (first_ + 1) % kSize;
        --count_;
    }
    ring_[(first_ + count_) % kSize] = {out, position};
    ++count_;
}

void PositionHistory::restart(int64_t out, double position) noexcept {
    first_ = 0;
    count_ = 0;
    add(out, position);
}

void PositionHistory::rewindTo(int64_t out, double position) noexcept {
    while (count_ > 0 && ring_[(first_ + count_ - 1) % kSize].out > out) --count_;
    add(out, position);
}

double PositionHistory::positionAt(int64_t out) const noexcept {
    if (count_ == 0) return 0.0;
    const Keyframe& oldest = ring_[first_];
    if (out < oldest.out) return oldest.position;
    // Newest keyframe at or before `out`; the last of equal frames wins.
    int index = count_ - 1;
    while (index > 0 && ring_[(first_ + index) % kSize].out > out) --index;
    const Keyframe& before = ring_[(first_ + index) % kSize];
    if (index == count_ - 1) return before.position;
    const Keyframe& after = ring_[(first_ + index + 1) % kSize];
    const double span = static_cast<double>(after.out - before.out);
    const double t = static_cast<double>(out - before.out) / span;
    return before.position + (after.position - before.position) * t;
}

}  // namespace luma
