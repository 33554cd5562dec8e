#include "decode/pcm_decoder.h"

#include <algorithm>
#include <type_traits>

#include "decode/sample_convert.h"

namespace luma {
namespace {

constexpr int64_t kChunkFrames = 4096;
// How far before a claimed end we start reading to confirm it: past the
// largest frame or packet any of our libraries decodes at once.
constexpr int64_t kProbeFrames = 8192;

}  // namespace

template <typename Native>
void PcmDecoder<Native>::setFormat(int sampleRate, int sourceChannels, SampleKind kind,
                                   const std::vector<Speaker>& layout) {
    sourceChannels_ = sourceChannels;
    info_.sampleRate = sampleRate;
    info_.kind = kind;
    info_.channels = std::min(sourceChannels, 2);
    if (sourceChannels > 2) {
        const bool named = static_cast<int>(layout.size()) == sourceChannels;
        downmix_.emplace(named ? layout : defaultWaveLayout(sourceChannels));
    }
}

template <typename Native>
bool PcmDecoder<Native>::settleLength(int64_t claimed) {
    info_.frames = claimed >= 0 ? measureFrom(claimed) : countFrom(0);
    position_ = 0;
    return info_.frames > 0 && seekSource(0);
}

template <typename Native>
int64_t PcmDecoder<Native>::measureFrom(int64_t claimed) {
    // An intact file is confirmed by decoding only its last stretch; a file
    // that ends inside that stretch is measured by the same read.
    const int64_t start = std::max<int64_t>(0, claimed - kProbeFrames);
    if (seekSource(start)) {
        const int64_t found = countToEnd(claimed - start);
        if (found > 0 || start == 0) return start + found;
    }
    // Cut short before the last stretch: bisect for the last point a seek
    // still finds audio, then decode from there to the real end.
    int64_t hasAudio = 0;
    int64_t noAudio = start;
    while (noAudio - hasAudio > kProbeFrames) {
        const int64_t middle = hasAudio + (noAudio - hasAudio) / 2;
        const bool found = seekSource(middle) && countToEnd(1) > 0;
        (found ? hasAudio : noAudio) = middle;
    }
    return countFrom(hasAudio);
}

template <typename Native>
int64_t PcmDecoder<Native>::countFrom(int64_t frame) {
    return seekSource(frame) ? frame + countToEnd(-1) : 0;
}

template <typename Native>
bool PcmDecoder<Native>::seek(int64_t frame) {
    if (frame < 0 || frame > info_.frames) return false;
    // At the end there is nothing left to decode, so the library need not move.
    if (frame < info_.frames && !seekSource(frame)) {
        if (position_ < info_.frames) seekSource(position_);
        return false;
    }
    position_ = frame;
    return true;
}

template <typename Native>
template <typename Out>
int64_t PcmDecoder<Native>::deliver(Out* out, int64_t frames) {
    const int64_t wanted = std::min(frames, info_.frames - position_);
    if (!out || wanted <= 0) return 0;
    const int outChannels = info_.channels;
    for (int64_t done = 0; done < wanted;) {
        const int64_t chunk = std::min(wanted - done, kChunkFrames);
        const int64_t sourceSamples = chunk * sourceChannels_;
        Out* dest = out + done * outChannels;
        // Without a type change or fold-down, the library writes straight into `out`.
        Native* source = nullptr;
        if constexpr (std::is_same_v<Out, Native>) {
            if (!downmix_) source = dest;
        }
        const bool direct = source != nullptr;
        if (!direct) {
            sourceBuffer_.resize(sourceSamples);
            source = sourceBuffer_.data();
        }
        // A source that stops short of its settled length is damaged beyond
        // what the length check saw; silence keeps read() true to info().frames.
        const int64_t got = decodeFully(source, chunk);
        std::fill(source + got * sourceChannels_, source + sourceSamples, Native{});
        if constexpr (std::is_same_v<Native, float>) {
            std::transform(source, source + got * sourceChannels_, source, saneSample);
        }
        if (downmix_) {
            mixBuffer_.resize(sourceSamples);
            convertSamples(source, mixBuffer_.data(), sourceSamples);
            downmix_->apply(mixBuffer_.data(), chunk, mixBuffer_.data());
            convertSamples(mixBuffer_.data(), dest, chunk * outChannels);
        } else if (!direct) {
            convertSamples(source, dest, sourceSamples);
        }
        done += chunk;
    }
    position_ += wanted;
    return wanted;
}

template <typename Native>
int64_t PcmDecoder<Native>::decodeFully(Native* out, int64_t frames) {
    int64_t done = 0;
    while (done < frames) {
        const int64_t got = decodeSource(out + done * sourceChannels_, frames - done);
        if (got <= 0) break;
        done += got;
    }
    return done;
}

template <typename Native>
int64_t PcmDecoder<Native>::countToEnd(int64_t limit) {
    sourceBuffer_.resize(kChunkFrames * sourceChannels_);
    int64_t counted = 0;
    while (limit < 0 || counted < limit) {
        const int64_t want = limit < 0 ? kChunkFrames : std::min(kChunkFrames, limit - counted);
        const int64_t got = decodeSource(sourceBuffer_.data(), want);
        if (got <= 0) break;
        counted += got;
    }
    return counted;
}

template class PcmDecoder<int16_t>;
template class PcmDecoder<float>;

}  // namespace luma
