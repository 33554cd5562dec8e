#include "decode/vorbis_decoder.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>

#include "decode/pcm_decoder.h"

namespace luma {
namespace {

// Channel orders fixed by the Vorbis I format for one to eight channels.
std::vector<Speaker> vorbisLayout(int channels) {
    using S = Speaker;
    switch (channels) {
        case 3:
            return {S::Left, S::Centre, S::Right};
        case 4:
            return {S::Left, S::Right, S::RearLeft, S::RearRight};
        case 5:
            return {S::Left, S::Centre, S::Right, S::RearLeft, S::RearRight};
        case 6:
            return {S::Left, S::Centre, S::Right, S::RearLeft, S::RearRight, S::Lfe};
        case 7:
            return {S::Left, S::Centre, S::Right, S::SideLeft, S::SideRight, S::Other, S::Lfe};
        case 8:
            return {S::Left,      S::Centre,   S::Right,     S::SideLeft,
                    S::SideRight, S::RearLeft, S::RearRight, S::Lfe};
        default:
            return std::vector<Speaker>(channels, S::Other);
    }
}

class VorbisDecoder final : public PcmDecoder<int16_t> {
  public:
    ~VorbisDecoder() override {
        if (opened_) ov_clear(&file_);
    }

    bool open(const std::string& path) {
        opened_ = ov_fopen(path.c_str(), &file_) == 0;
        if (!opened_ || !ov_seekable(&file_)) return false;
        const vorbis_info* format = ov_info(&file_, -1);
        if (!format || format->channels < 1 || format->rate <= 0) return false;
        channels_ = format->channels;
        setFormat(static_cast<int>(format->rate), channels_, SampleKind::Int16,
                  vorbisLayout(channels_));
        const ogg_int64_t total = ov_pcm_total(&file_, -1);
        return settleLength(total >= 0 ? total : -1);
    }

  protected:
    int64_t decodeSource(int16_t* out, int64_t frames) override {
        const int64_t bytes = std::min<int64_t>(frames * channels_ * 2, 1 << 20);
        for (;;) {
            int link = 0;
            const long got = ov_read(&file_, reinterpret_cast<char*>(out), static_cast<int>(bytes),
                                     0, 2, 1, &link);
            if (got == OV_HOLE) continue;  // a gap in the stream; decoding goes on after it
            if (got <= 0) return 0;
            // A chained file may change layout; stop rather than mis-slice its samples.
            const vorbis_info* format = ov_info(&file_, link);
            if (!format || format->channels != channels_) return 0;
            return got / (channels_ * 2);
        }
    }

    bool seekSource(int64_t frame) override { return ov_pcm_seek(&file_, frame) == 0; }

  private:
    OggVorbis_File file_{};
    bool opened_ = false;
    int channels_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> openVorbisDecoder(const std::string& path) {
    auto decoder = std::make_unique<VorbisDecoder>();
    if (!decoder->open(path)) return nullptr;
    return decoder;
}

}  // namespace luma
