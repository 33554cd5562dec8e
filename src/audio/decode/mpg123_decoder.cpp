#include "decode/mpg123_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <mutex>

#include "decode/pcm_decoder.h"

namespace luma {
namespace {

// Only the output encoding is fixed; every rate and both channel counts stay
// allowed, so mpg123 decodes at the file's own rate and layout.
void allowOnlyInt16(mpg123_handle* handle) {
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) {
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
}

class Mpg123Decoder final : public PcmDecoder<int16_t> {
  public:
    ~Mpg123Decoder() override {
        if (handle_) mpg123_delete(handle_);  // also closes the file
    }

    bool open(const std::string& path) {
        static std::once_flag initialised;
        std::call_once(initialised, [] { mpg123_init(); });
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_) return false;
        // No fuzzy seeking: with the index from mpg123_scan() seeks are exact.
        // No Frankenstein streams: a file keeps one format and ends where its tag says.
        mpg123_param(handle_, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_NO_FRANKENSTEIN,
                     0.0);
        allowOnlyInt16(handle_);
        if (mpg123_open(handle_, path.c_str()) != MPG123_OK) return false;
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        if (mpg123_scan(handle_) != MPG123_OK ||
            mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK ||
            encoding != MPG123_ENC_SIGNED_16 || channels < 1 || channels > 2 || rate <= 0) {
            return false;
        }
        channels_ = channels;
        setFormat(static_cast<int>(rate), channels, SampleKind::Int16);
        const off_t length = mpg123_length(handle_);
        if (length < 0) return settleLength(-1);
        skip_ = untrimmedDelay(length);
        return settleLength(length - skip_);
    }

  protected:
    int64_t decodeSource(int16_t* out, int64_t frames) override {
        const size_t bytes =
            static_cast<size_t>(std::min<int64_t>(frames, 1 << 16)) * channels_ * sizeof(int16_t);
        for (;;) {
            size_t done = 0;
            const int result = mpg123_read(handle_, out, bytes, &done);
            if (done > 0) return static_cast<int64_t>(done / (channels_ * sizeof(int16_t)));
            // Only a format notice is worth another try; the rest is the end or an error.
            if (result != MPG123_NEW_FORMAT || !formatUnchanged()) return 0;
        }
    }

    bool seekSource(int64_t frame) override {
        const off_t target = static_cast<off_t>(frame + skip_);
        return mpg123_seek(handle_, target, SEEK_SET) == target;
    }

  private:
    // When a file holds fewer frames than its LAME tag promises (a cut
    // download), mpg123 drops gapless decoding altogether, start included.
    // The start delay is then removed here, so that the audio still lines up
    // with the intact file; the end padding went with the missing end.
    int64_t untrimmedDelay(off_t length) {
        long encoderDelay = -1;
        long encoderPadding = -1;
        long decoderDelay = -1;
        double unused = 0.0;
        mpg123_frameinfo frame{};
        if (mpg123_getstate(handle_, MPG123_ENC_DELAY, &encoderDelay, &unused) != MPG123_OK ||
            mpg123_getstate(handle_, MPG123_ENC_PADDING, &encoderPadding, &unused) != MPG123_OK ||
            mpg123_getstate(handle_, MPG123_DEC_DELAY, &decoderDelay, &unused) != MPG123_OK ||
            mpg123_info(handle_, &frame) != MPG123_OK || decoderDelay < 0 ||
            encoderDelay + encoderPadding <= 0) {
            return 0;  // no tag, or one whose trimming would not change the length
        }
        const int64_t samplesPerFrame = frame.layer == 1              ? 384
                                        : frame.layer == 2            ? 1152
                                        : frame.version == MPG123_1_0 ? 1152
                                                                      : 576;
        const bool trimmed = length != mpg123_framelength(handle_) * samplesPerFrame;
        return trimmed ? 0 : std::min<int64_t>(encoderDelay + decoderDelay, length);
    }

    bool formatUnchanged() {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        return mpg123_getformat(handle_, &rate, &channels, &encoding) == MPG123_OK &&
               rate == info_.sampleRate && channels == channels_;
    }

    mpg123_handle* handle_ = nullptr;
    int channels_ = 0;
    int64_t skip_ = 0;  // leading frames to drop that mpg123 did not
};

}  // namespace

std::unique_ptr<Decoder> openMpg123Decoder(const std::string& path) {
    auto decoder = std::make_unique<Mpg123Decoder>();
    if (!decoder->open(path)) return nullptr;
    return decoder;
}

}  // namespace luma
