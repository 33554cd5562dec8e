// A decode-only channel: never played; its data is pulled by the caller
// (analysis such as tempo detection), straight from the decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "decode/decoder.h"

namespace luma {

class DecodeChannel {
  public:
    DecodeChannel(std::unique_ptr<Decoder> decoder, bool downmix);

    int sampleRate() const noexcept { return rate_; }
    int channels() const noexcept { return channels_; }
    int64_t frames() const noexcept { return frames_; }
    int64_t position();
    bool seek(int64_t frame);

    // Reads up to `frames` frames from the present position; returns the
    // number read. Thread-safe (one reader at a time is served).
    int64_t read(int16_t* out, int64_t frames);
    int64_t read(float* out, int64_t frames);

  private:
    template <typename Sample>
    int64_t readLocked(Sample* out, int64_t frames);

    std::mutex mutex_;
    std::unique_ptr<Decoder> decoder_;
    bool downmix_;
    int rate_;
    int channels_;
    int64_t frames_;
    int64_t position_ = 0;
};

}  // namespace luma
