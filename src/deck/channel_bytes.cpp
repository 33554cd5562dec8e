#include "deck/channel_bytes.h"

namespace luma {

namespace {
uint64_t widened(int32_t bytes) {
    return static_cast<uint32_t>(bytes);
}
}  // namespace

float BytesToSeconds(AudioLibrary& audio, uint32_t handle, int32_t bytes) {
    return audio.BASS_ChannelBytes2Seconds(handle, widened(bytes));
}

int32_t SeekTo(AudioLibrary& audio, uint32_t handle, int32_t bytes) {
    return audio.BASS_ChannelSetPosition(handle, widened(bytes));
}

}  // namespace luma
