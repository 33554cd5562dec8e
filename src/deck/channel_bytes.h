// The deck's byte positions handed to the engine's 64-bit ones. A negative
// position (-1 for none, or a loop end stepped below 0) is no place in the
// track: a seek to it fails whatever the track's length, and its seconds
// are those of its low 32 bits read as unsigned, the time it has always shown.
#pragma once

#include <cstdint>

#include "binding/audio_library.h"

namespace luma {

float BytesToSeconds(AudioLibrary& audio, uint32_t handle, int64_t bytes);
// Non-zero on success.
int32_t SeekTo(AudioLibrary& audio, uint32_t handle, int64_t bytes);

}  // namespace luma
