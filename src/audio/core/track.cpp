#include "core/track.h"

#include <algorithm>

namespace luma {

Track::Track(int sampleRate, int channels, int64_t frames, SampleKind kind)
    : sampleRate_(sampleRate),
      channels_(channels),
      frames_(std::max<int64_t>(frames, 0)),
      kind_(kind),
      chunkCount_((frames_ + kChunkFrames - 1) / kChunkFrames) {
    // Left uninitialised: pages are committed only as the loader fills them,
    // and nothing reads a chunk before it is marked ready.
    const size_t samples = static_cast<size_t>(frames_) * channels_;
    if (kind_ == SampleKind::Int16) {
        int16_ = std::make_unique_for_overwrite<int16_t[]>(samples);
    } else {
        float_ = std::make_unique_for_overwrite<float[]>(samples);
    }
    ready_ = std::make_unique<std::atomic<uint8_t>[]>(static_cast<size_t>(chunkCount_));
}

void Track::markReady(int64_t chunk) noexcept {
    if (chunk < 0 || chunk >= chunkCount_) return;
    if (ready_[chunk].exchange(1, std::memory_order_release) == 0) {
        readyCount_.fetch_add(1, std::memory_order_release);
    }
}

bool Track::chunkReady(int64_t chunk) const noexcept {
    return chunk >= 0 && chunk < chunkCount_ && ready_[chunk].load(std::memory_order_acquire) != 0;
}

bool Track::fullyLoaded() const noexcept {
    return readyCount_.load(std::memory_order_acquire) == chunkCount_;
}

bool Track::rangeReady(int64_t first, int64_t count) const noexcept {
    const int64_t begin = std::max<int64_t>(first, 0);
    const int64_t end = std::min(first + count, frames_);
    if (begin >= end) return true;
    for (int64_t chunk = begin / kChunkFrames; chunk <= (end - 1) / kChunkFrames; ++chunk) {
        if (!chunkReady(chunk)) return false;
    }
    return true;
}

void Track::fetch(int64_t first, int count, float* left, float* right) const noexcept {
    constexpr float kInt16Scale = 1.0f / 32768.0f;
    int done = 0;
    while (done < count) {
        const int64_t frame = first + done;
        if (frame < 0 || frame >= frames_) {
            // Silence up to the start of the track, or to the end of the request.
            const int64_t untilStart = frame < 0 ? -frame : count - done;
            const int n = static_cast<int>(std::min<int64_t>(untilStart, count - done));
            std::fill_n(left + done, n, 0.0f);
            std::fill_n(right + done, n, 0.0f);
            done += n;
            continue;
        }
        const int64_t chunk = frame / kChunkFrames;
        const int64_t chunkEnd = std::min((chunk + 1) * kChunkFrames, frames_);
        const int n = static_cast<int>(std::min<int64_t>(chunkEnd - frame, count - done));
        float* l = left + done;
        float* r = right + done;
        if (!chunkReady(chunk)) {
            std::fill_n(l, n, 0.0f);
            std::fill_n(r, n, 0.0f);
        } else if (kind_ == SampleKind::Int16) {
            const int16_t* src = int16_.get() + frame * channels_;
            if (channels_ == 2) {
                for (int i = 0; i < n; ++i) {
                    l[i] = src[2 * i] * kInt16Scale;
                    r[i] = src[2 * i + 1] * kInt16Scale;
                }
            } else {
                for (int i = 0; i < n; ++i) l[i] = r[i] = src[i] * kInt16Scale;
            }
        } else {
            const float* src = float_.get() + frame * channels_;
            if (channels_ == 2) {
                for (int i = 0; i < n; ++i) {
                    l[i] = src[2 * i];
                    r[i] = src[2 * i + 1];
                }
            } else {
                std::copy_n(src, n, l);
                std::copy_n(src, n, r);
            }
        }
        done += n;
    }
}

}  // namespace luma
