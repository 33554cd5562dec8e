#include "deck/channel_bytes.h"

namespace luma {

float BytesToSeconds(AudioLibrary& audio, uint32_t handle, int64_t bytes) {
    const uint64_t position =
        bytes < 0 ? static_cast<uint32_t>(bytes) : static_cast<uint64_t>(bytes);
    return audio.BASS_ChannelBytes2Seconds(handle, position);
}

int32_t SeekTo(AudioLibrary& audio, uint32_t handle, int64_t bytes) {
    // Negative: beyond the end of any track.
    return audio.BASS_ChannelSetPosition(handle, static_cast<uint64_t>(bytes));
}

}  // namespace luma
