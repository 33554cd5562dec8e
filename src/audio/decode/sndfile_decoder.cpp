#include "decode/sndfile_decoder.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include "decode/pcm_decoder.h"

namespace luma {
namespace {

bool isWrappedElsewhere(int format) {
    const int container = format & SF_FORMAT_TYPEMASK;
    const int codec = format & SF_FORMAT_SUBMASK;
    return container == SF_FORMAT_MPEG || container == SF_FORMAT_OGG ||
           codec == SF_FORMAT_MPEG_LAYER_I || codec == SF_FORMAT_MPEG_LAYER_II ||
           codec == SF_FORMAT_MPEG_LAYER_III || codec == SF_FORMAT_VORBIS ||
           codec == SF_FORMAT_OPUS;
}

bool carriesMoreThan16Bits(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_DWVW_24:
        case SF_FORMAT_DWVW_N:
        case SF_FORMAT_ALAC_20:
        case SF_FORMAT_ALAC_24:
        case SF_FORMAT_ALAC_32:
            return true;
        default:
            return false;
    }
}

Speaker speakerFor(int position) {
    switch (position) {
        case SF_CHANNEL_MAP_LEFT:
        case SF_CHANNEL_MAP_FRONT_LEFT:
            return Speaker::Left;
        case SF_CHANNEL_MAP_RIGHT:
        case SF_CHANNEL_MAP_FRONT_RIGHT:
            return Speaker::Right;
        case SF_CHANNEL_MAP_CENTER:
        case SF_CHANNEL_MAP_FRONT_CENTER:
            return Speaker::Centre;
        case SF_CHANNEL_MAP_LFE:
            return Speaker::Lfe;
        case SF_CHANNEL_MAP_REAR_LEFT:
            return Speaker::RearLeft;
        case SF_CHANNEL_MAP_REAR_RIGHT:
            return Speaker::RearRight;
        case SF_CHANNEL_MAP_SIDE_LEFT:
            return Speaker::SideLeft;
        case SF_CHANNEL_MAP_SIDE_RIGHT:
            return Speaker::SideRight;
        default:
            return Speaker::Other;
    }
}

std::vector<Speaker> layoutOf(SNDFILE* file, int channels) {
    std::vector<int> map(channels);
    const int bytes = static_cast<int>(map.size() * sizeof(int));
    if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), bytes) != SF_TRUE) {
        return defaultWaveLayout(channels);
    }
    std::vector<Speaker> layout;
    for (int position : map) layout.push_back(speakerFor(position));
    return layout;
}

// Reads float throughout: libsndfile scales integer sources to [-1, 1) exactly
// (16-bit ones come back unchanged as int16), whereas its float-to-short path
// leaves float files unscaled.
class SndfileDecoder final : public PcmDecoder<float> {
  public:
    ~SndfileDecoder() override {
        if (file_) sf_close(file_);
        if (descriptor_ >= 0) ::close(descriptor_);
    }

    bool open(const std::string& path) {
        // Opened by descriptor so that libsndfile judges the content alone:
        // given a name, it lets the extension pick a format (and hands a text
        // file called .mp3 to its MPEG decoder).
        descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        SF_INFO format{};
        if (descriptor_ < 0 || !reopen(&format) || isWrappedElsewhere(format.format) ||
            format.channels < 1 || format.samplerate <= 0) {
            return false;
        }
        const SampleKind kind =
            carriesMoreThan16Bits(format.format) ? SampleKind::Float32 : SampleKind::Int16;
        setFormat(format.samplerate, format.channels, kind,
                  format.channels > 2 ? layoutOf(file_, format.channels) : std::vector<Speaker>{});
        // A FLAC stream without a total length reads as SF_COUNT_MAX frames.
        return settleLength(format.frames == SF_COUNT_MAX ? -1 : format.frames);
    }

  protected:
    int64_t decodeSource(float* out, int64_t frames) override {
        const sf_count_t got = sf_readf_float(file_, out, frames);
        return got > 0 ? got : 0;
    }

    bool seekSource(int64_t frame) override {
        if (sf_seek(file_, frame, SEEK_SET) == frame) return true;
        // libsndfile's FLAC decoder refuses every seek after a failed one; a
        // fresh handle on the same descriptor recovers.
        reopen();
        return false;
    }

  private:
    bool reopen(SF_INFO* format = nullptr) {
        if (file_) sf_close(file_);
        SF_INFO ignored{};
        file_ = nullptr;
        if (::lseek(descriptor_, 0, SEEK_SET) != 0) return false;
        file_ = sf_open_fd(descriptor_, SFM_READ, format ? format : &ignored, SF_FALSE);
        return file_ != nullptr;
    }

    int descriptor_ = -1;  // ours to close, whether or not libsndfile accepted it
    SNDFILE* file_ = nullptr;
};

}  // namespace

std::unique_ptr<Decoder> openSndfileDecoder(const std::string& path) {
    auto decoder = std::make_unique<SndfileDecoder>();
    if (!decoder->open(path)) return nullptr;
    return decoder;
}

}  // namespace luma
