// What reached a sound server's sink, sample by sample, with the moment each
// sample was heard (on steady_clock), and the measures taken on it: where a
// tone starts and how much of a continuous tone is missing.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace luma::bench {

using Clock = std::chrono::steady_clock;

// The tone is played at 0.5; anything under a tenth of it is no tone. A run
// below it longer than this is a gap (a sine only passes zero in a few samples).
constexpr float kSoundThreshold = 0.05f;
constexpr double kShortestGapSeconds = 0.002;

// A stretch of the recording, copied out to measure on.
class HeardSpan {
  public:
    struct Anchor {
        size_t index;          // of the first sample of a delivered block
        Clock::time_point at;  // when that sample was heard
    };

    HeardSpan(double rate, size_t first, std::vector<float> samples, std::vector<Anchor> anchors)
        : rate_(rate), first_(first), samples_(std::move(samples)), anchors_(std::move(anchors)) {}

    size_t begin() const { return first_; }
    size_t end() const { return first_ + samples_.size(); }
    double rate() const { return rate_; }

    // When sample `index` (of the whole recording) was heard.
    Clock::time_point timeOf(size_t index) const {
        auto after = std::upper_bound(anchors_.begin(), anchors_.end(), index,
                                      [](size_t i, const Anchor& a) { return i < a.index; });
        if (after == anchors_.begin()) return Clock::time_point{};
        const Anchor& anchor = *std::prev(after);
        return anchor.at + seconds(static_cast<double>(index - anchor.index) / rate_);
    }
    // The first sample heard at or after `moment` (end() when none is yet).
    size_t indexAt(Clock::time_point moment) const {
        auto after =
            std::upper_bound(anchors_.begin(), anchors_.end(), moment,
                             [](Clock::time_point t, const Anchor& a) { return t < a.at; });
        if (after == anchors_.begin()) return begin();
        const Anchor& anchor = *std::prev(after);
        const auto offset = static_cast<size_t>(
            std::ceil(std::chrono::duration<double>(moment - anchor.at).count() * rate_));
        const size_t next = after == anchors_.end() ? end() : after->index;
        return std::max(begin(), std::min(anchor.index + offset, next));
    }

    // The first sample of the first stretch of sound at or after `from`
    // that lasts `lasting` seconds without a gap.
    std::optional<size_t> soundStart(size_t from, double lasting) const {
        const auto needed = static_cast<size_t>(lasting * rate_);
        const auto gap = static_cast<size_t>(kShortestGapSeconds * rate_);
        std::optional<size_t> start;
        size_t lastLoud = 0;
        for (size_t i = std::max(from, begin()); i < end(); ++i) {
            if (std::fabs(at(i)) >= kSoundThreshold) {
                if (!start || i - lastLoud > gap) start = i;
                lastLoud = i;
                if (i - *start >= needed) return start;
            }
        }
        return std::nullopt;
    }

    // Seconds of gaps in [from, to): runs below the threshold longer than
    // the shortest gap, summed (a run crossing an edge counts inside only).
    double missingSeconds(size_t from, size_t to) const {
        from = std::max(from, begin());
        to = std::min(to, end());
        const auto shortest = static_cast<size_t>(kShortestGapSeconds * rate_);
        size_t missing = 0;
        size_t run = 0;
        for (size_t i = from; i < to; ++i) {
            if (std::fabs(at(i)) < kSoundThreshold) {
                ++run;
                continue;
            }
            if (run > shortest) missing += run;
            run = 0;
        }
        if (run > shortest) missing += run;
        return static_cast<double>(missing) / rate_;
    }

  private:
    static Clock::duration seconds(double s) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
    }
    float at(size_t index) const { return samples_[index - first_]; }

    double rate_;
    size_t first_;
    std::vector<float> samples_;
    std::vector<Anchor> anchors_;
};

// Filled by a recorder's thread, read by the measuring one.
class HeardSound {
  public:
    explicit HeardSound(double rate) : rate_(rate) {
        // Room for a whole run: the recorder's thread should not wait on a reallocation.
        samples_.reserve(static_cast<size_t>(rate * 120));
        anchors_.reserve(60000);
    }

    // `frames` frames of `channels` interleaved samples (the first channel
    // is kept), the first heard at `firstHeard`; nullptr for silence.
    void append(const float* frames, size_t count, int channels, Clock::time_point firstHeard) {
        std::lock_guard lock(mutex_);
        anchors_.push_back({samples_.size(), firstHeard});
        for (size_t i = 0; i < count; ++i) {
            samples_.push_back(frames ? frames[i * channels] : 0.0f);
        }
    }

    size_t size() const {
        std::lock_guard lock(mutex_);
        return samples_.size();
    }
    double rate() const { return rate_; }

    // The recording from sample `from` on.
    HeardSpan since(size_t from) const {
        std::lock_guard lock(mutex_);
        from = std::min(from, samples_.size());
        std::vector<float> samples(samples_.begin() + static_cast<std::ptrdiff_t>(from),
                                   samples_.end());
        // The anchor at or before `from` too, so that its samples have a time.
        auto first =
            std::upper_bound(anchors_.begin(), anchors_.end(), from,
                             [](size_t i, const HeardSpan::Anchor& a) { return i < a.index; });
        if (first != anchors_.begin()) --first;
        return HeardSpan(rate_, from, std::move(samples),
                         std::vector<HeardSpan::Anchor>(first, anchors_.end()));
    }

  private:
    const double rate_;
    mutable std::mutex mutex_;
    std::vector<float> samples_;
    std::vector<HeardSpan::Anchor> anchors_;
};

}  // namespace luma::bench
