// Byte positions of the deck's 32-bit arithmetic handed to the engine's
// 64-bit positions: the 32 bits become the low half, the high half is 0.
#pragma once

#include <cstdint>

#include "binding/audio_library.h"

namespace luma {

float BytesToSeconds(AudioLibrary& audio, uint32_t handle, int32_t bytes);
// Non-zero on success.
int32_t SeekTo(AudioLibrary& audio, uint32_t handle, int32_t bytes);

}  // namespace luma
