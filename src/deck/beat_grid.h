// A track's beat grid in the deck's byte positions. The engine gives the
// grid in seconds of the track at its own rate (beat n at first + n x 60 /
// bpm); the deck counts bytes, so each beat becomes the frame nearest to it.
#pragma once

#include <cstdint>
#include <optional>

#include "binding/audio_library.h"

namespace luma {

struct BeatGrid {
    double bpm = 0.0;
    double firstBeatSeconds = 0.0;
    int32_t rate = 0;    // the channel's own sample rate
    int frameBytes = 4;  // 2 for a channel played mono

    // The byte position of beat `n` (frame-aligned).
    int64_t beatBytes(int64_t n) const;
    // The beat nearest to `bytes`, and the last one at or before it; never
    // below beat 0.
    int64_t nearestBeat(int64_t bytes) const;
    int64_t beatAtOrBefore(int64_t bytes) const;
};

// The grid of a played channel whose own rate is `rate`; none while the
// engine has none (still measuring, no steady beat, no track).
std::optional<BeatGrid> readBeatGrid(AudioLibrary& audio, uint32_t handle, int32_t rate);

}  // namespace luma
