// The part every decoder shares: the exact length, the two sample types,
// stereo fold-down and position keeping. Each library wrapper only decodes and
// seeks in the source's own channel layout and its own sample type.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "decode/decoder.h"
#include "decode/stereo_downmix.h"

namespace luma {

template <typename Native>
class PcmDecoder : public Decoder {
  public:
    const DecoderInfo& info() const final { return info_; }
    int64_t read(int16_t* out, int64_t frames) final { return deliver(out, frames); }
    int64_t read(float* out, int64_t frames) final { return deliver(out, frames); }
    bool seek(int64_t frame) final;

  protected:
    // Up to `frames` frames of sourceChannels(); fewer is fine, 0 means the end or an error.
    virtual int64_t decodeSource(Native* out, int64_t frames) = 0;
    virtual bool seekSource(int64_t frame) = 0;

    // Called once by the wrapper when its library is open; sources with more
    // than two channels need a `layout` to fold down.
    void setFormat(int sampleRate, int sourceChannels, SampleKind kind,
                   const std::vector<Speaker>& layout = {});
    // Sets info().frames from the library's `claimed` length (negative when it
    // has none), corrected to what really decodes; false if nothing decodes.
    // Needs seekSource() to keep working after a seek past the data fails.
    bool settleLength(int64_t claimed);

    DecoderInfo info_;

  private:
    template <typename Out>
    int64_t deliver(Out* out, int64_t frames);
    int64_t decodeFully(Native* out, int64_t frames);
    int64_t measureFrom(int64_t claimed);
    int64_t countFrom(int64_t frame);
    int64_t countToEnd(int64_t limit);

    int sourceChannels_ = 0;
    std::optional<StereoDownmix> downmix_;
    std::vector<Native> sourceBuffer_;
    std::vector<float> mixBuffer_;
    int64_t position_ = 0;
};

}  // namespace luma
