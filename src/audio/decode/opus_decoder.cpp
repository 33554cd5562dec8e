#include "decode/opus_decoder.h"

#include <opus/opusfile.h>

#include <algorithm>

#include "decode/pcm_decoder.h"

namespace luma {
namespace {

constexpr int kOpusRate = 48000;

class OpusDecoder final : public PcmDecoder<int16_t> {
  public:
    ~OpusDecoder() override {
        if (file_) op_free(file_);
    }

    bool open(const std::string& path) {
        int error = 0;
        file_ = op_open_file(path.c_str(), &error);
        if (!file_ || !op_seekable(file_)) return false;
        // Dither noise carries on across seeks, so the same frame would come
        // out differently depending on how it was reached.
        op_set_dither_enabled(file_, 0);
        // Multichannel files are folded down by opusfile's own stereo mix.
        mono_ = op_channel_count(file_, -1) == 1;
        setFormat(kOpusRate, mono_ ? 1 : 2, SampleKind::Int16);
        const ogg_int64_t total = op_pcm_total(file_, -1);
        return settleLength(total >= 0 ? total : -1);
    }

  protected:
    int64_t decodeSource(int16_t* out, int64_t frames) override {
        const int samples = static_cast<int>(std::min<int64_t>(frames, 1 << 16)) * (mono_ ? 1 : 2);
        for (;;) {
            int link = 0;
            const int got =
                mono_ ? op_read(file_, out, samples, &link) : op_read_stereo(file_, out, samples);
            if (got == OP_HOLE) continue;  // a gap in the stream; decoding goes on after it
            if (got <= 0) return 0;
            // A chained file may turn stereo; stop rather than mis-slice its samples.
            if (mono_ && op_channel_count(file_, link) != 1) return 0;
            return got;
        }
    }

    bool seekSource(int64_t frame) override { return op_pcm_seek(file_, frame) == 0; }

  private:
    OggOpusFile* file_ = nullptr;
    bool mono_ = false;
};

}  // namespace

std::unique_ptr<Decoder> openOpusDecoder(const std::string& path) {
    auto decoder = std::make_unique<OpusDecoder>();
    if (!decoder->open(path)) return nullptr;
    return decoder;
}

}  // namespace luma
