#include "core/decode_channel.h"

#include <algorithm>
#include <type_traits>

namespace luma {

DecodeChannel::DecodeChannel(std::unique_ptr<Decoder> decoder, bool module, bool downmix)
    : decoder_(std::move(decoder)),
      module_(module),
      downmix_(downmix && decoder_->info().channels == 2),
      rate_(decoder_->info().sampleRate),
      channels_(downmix_ ? 1 : decoder_->info().channels),
      frames_(decoder_->info().frames) {}

int64_t DecodeChannel::position() {
    std::lock_guard lock(mutex_);
    return position_;
}

bool DecodeChannel::seek(int64_t frame) {
    std::lock_guard lock(mutex_);
    if (frame < 0 || frame > frames_ || !decoder_->seek(frame)) return false;
    position_ = frame;
    return true;
}

template <typename Sample>
int64_t DecodeChannel::readLocked(Sample* out, int64_t frames) {
    frames = std::min(frames, frames_ - position_);
    if (frames <= 0) return 0;
    int64_t done = 0;
    if (!downmix_) {
        while (done < frames) {
            const int64_t got = decoder_->read(out + done * channels_, frames - done);
            if (got <= 0) break;
            done += got;
        }
    } else {
        std::vector<Sample> stereo(static_cast<size_t>(std::min<int64_t>(frames, 4096)) * 2);
        while (done < frames) {
            const int64_t want =
                std::min<int64_t>(frames - done, static_cast<int64_t>(stereo.size() / 2));
            const int64_t got = decoder_->read(stereo.data(), want);
            if (got <= 0) break;
            for (int64_t i = 0; i < got; ++i) {
                if constexpr (std::is_same_v<Sample, int16_t>) {
                    out[done + i] =
                        static_cast<int16_t>((int32_t{stereo[2 * i]} + stereo[2 * i + 1]) / 2);
                } else {
                    out[done + i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
                }
            }
            done += got;
        }
    }
    position_ += done;
    return done;
}

int64_t DecodeChannel::read(int16_t* out, int64_t frames) {
    std::lock_guard lock(mutex_);
    return readLocked(out, frames);
}

int64_t DecodeChannel::read(float* out, int64_t frames) {
    std::lock_guard lock(mutex_);
    return readLocked(out, frames);
}

}  // namespace luma
