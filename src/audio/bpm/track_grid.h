// The beat grid of a whole track, precise enough to sync two decks by: a fixed
// tempo and the time of the first beat, at the metrical level of the tempo the
// deck shows (the measurement over the first 90 s).
#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>

namespace luma {

struct TrackGrid {
    double bpm = 0.0;               // 0 when the track has no steady beat
    double firstBeatSeconds = 0.0;  // the first beat at or after the start
    double confidence = 0.0;        // share of the beats found on the grid, 0..1
    explicit operator bool() const { return bpm > 0.0; }
};

// Fills `out` with `count` mono samples from sample `first` on; samples outside the
// track read as silence.
using MonoReader = std::function<void(int64_t first, int count, float* out)>;

// Reads the whole track (`frames` samples at `rate`) and measures its grid. Stops early,
// with an empty grid, once `stop` is requested.
TrackGrid measureTrackGrid(const MonoReader& read, int64_t frames, double rate,
                           const std::stop_token& stop = {});

}  // namespace luma
