// A played track: the whole file decoded into memory, filled chunk by chunk
// by a loader thread while the audio thread may already play it.
//
// Whole-track decoding keeps the audio thread away from decoders and file
// I/O entirely, and makes every seek instant and exact. Samples are kept at
// the source's resolution: 16-bit for 16-bit and lossy sources (so a
// loaded track costs little more than its 16-bit PCM size), float for
// high-resolution ones.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "decode/decoder.h"

namespace luma {

class Track {
  public:
    static constexpr int64_t kChunkFrames = 32768;

    Track(int sampleRate, int channels, int64_t frames, SampleKind kind);

    int sampleRate() const noexcept { return sampleRate_; }
    int channels() const noexcept { return channels_; }
    int64_t frames() const noexcept { return frames_; }
    SampleKind kind() const noexcept { return kind_; }
    int64_t chunkCount() const noexcept { return chunkCount_; }

    // Loader side: where chunk `chunk` lives, and the signal that it is complete.
    int16_t* int16Frames(int64_t frame) noexcept { return int16_.get() + frame * channels_; }
    float* floatFrames(int64_t frame) noexcept { return float_.get() + frame * channels_; }
    void markReady(int64_t chunk) noexcept;
    // Readers of a fully loaded track: its interleaved samples in place.
    const int16_t* int16Frames(int64_t frame) const noexcept {
        return int16_.get() + frame * channels_;
    }
    const float* floatFrames(int64_t frame) const noexcept {
        return float_.get() + frame * channels_;
    }

    bool chunkReady(int64_t chunk) const noexcept;
    bool fullyLoaded() const noexcept;
    // True when every frame of [first, first + count) clipped to the track is decoded.
    bool rangeReady(int64_t first, int64_t count) const noexcept;

    // Audio thread: planar float copy of [first, first + count); frames
    // outside the track or not yet decoded read as silence. A mono track
    // fills both sides.
    void fetch(int64_t first, int count, float* left, float* right) const noexcept;

  private:
    int sampleRate_;
    int channels_;
    int64_t frames_;
    SampleKind kind_;
    int64_t chunkCount_;
    std::unique_ptr<int16_t[]> int16_;
    std::unique_ptr<float[]> float_;
    std::unique_ptr<std::atomic<uint8_t>[]> ready_;
    std::atomic<int64_t> readyCount_{0};
};

}  // namespace luma
