#include "core/decode_channel.h"

#include <algorithm>

#include "core/frame_reader.h"

namespace luma {

DecodeChannel::DecodeChannel(std::unique_ptr<Decoder> decoder, bool downmix)
    : decoder_(std::move(decoder)),
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
    const int64_t done = readFrames(*decoder_, out, frames, downmix_);
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
