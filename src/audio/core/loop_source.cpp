#include "core/loop_source.h"

#include <algorithm>
#include <cmath>

namespace luma {

void LoopSource::set(int64_t start, int64_t end, int64_t position) noexcept {
    // The deck may send the same region again: a loop already wrapping keeps on.
    if (!on_ || start != start_ || end != end_) wrapped_ = false;
    on_ = true;
    start_ = start;
    end_ = end;
    fade_ = std::min({kFadeFrames, start, (end - start) / 2});
    armed_ = position < end;
}

bool LoopSource::readsAs(const LoopSource& other) const noexcept {
    if (track_ != other.track_ || on_ != other.on_ || armed_ != other.armed_) return false;
    if (!on_) return true;
    return start_ == other.start_ && end_ == other.end_ && wrapped_ == other.wrapped_;
}

void LoopSource::moved(int64_t position) noexcept {
    armed_ = on_ && position < end_;
    wrapped_ = false;
}

void LoopSource::wrap(dsp::SourcePosition& pos) noexcept {
    // A step longer than the loop may carry playback past it more than once.
    pos.frame = start_ + (pos.frame - start_) % (end_ - start_);
    wrapped_ = true;
}

double LoopSource::folded(double position) const noexcept {
    // Only a wrap leaves such positions behind; a seek or restart forgets them.
    if (!wrapped_ || position < static_cast<double>(end_)) return position;
    const auto length = static_cast<double>(end_ - start_);
    return static_cast<double>(start_) + std::fmod(position - static_cast<double>(start_), length);
}

int64_t LoopSource::nextToLoad(int64_t position) const noexcept {
    if (!armed_ || !track_->rangeReady(position, 1)) return position;
    for (int64_t seam : {start_ - fade_, start_, end_ - fade_}) {
        if (!track_->rangeReady(seam, 1)) return seam;
    }
    return position;
}

int64_t LoopSource::mapped(int64_t frame) const noexcept {
    const int64_t length = end_ - start_;
    if (frame >= end_) return start_ + (frame - start_) % length;
    if (frame < start_ && wrapped_) return end_ - 1 - (start_ - 1 - frame) % length;
    return frame;
}

void LoopSource::fetch(int64_t first, int count, float* left, float* right) noexcept {
    if (!armed_) {
        track_->fetch(first, count, left, right);
        return;
    }
    // Runs of consecutive track frames, each ending at the loop's end at the latest.
    for (int done = 0; done < count;) {
        const int64_t frame = mapped(first + done);
        const int n = static_cast<int>(std::min<int64_t>(count - done, end_ - frame));
        track_->fetch(frame, n, left + done, right + done);
        crossFade(frame, n, left + done, right + done);
        done += n;
    }
}

void LoopSource::crossFade(int64_t first, int count, float* left, float* right) noexcept {
    const int64_t fadeStart = end_ - fade_;
    const int64_t from = std::max(first, fadeStart);
    const int n = static_cast<int>(first + count - from);
    if (n <= 0) return;
    track_->fetch(from - (end_ - start_), n, leadLeft_.data(), leadRight_.data());
    const float scale = 1.0f / static_cast<float>(fade_ + 1);
    const int offset = static_cast<int>(from - first);
    for (int i = 0; i < n; ++i) {
        const float weight = static_cast<float>(from + i - fadeStart + 1) * scale;
        float& l = left[offset + i];
        float& r = right[offset + i];
        l += weight * (leadLeft_[i] - l);
        r += weight * (leadRight_[i] - r);
    }
}

}  // namespace luma
