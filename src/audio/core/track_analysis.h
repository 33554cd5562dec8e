// What the engine learns about a played track in the background, once the
// track is decoded: its loudness, then its beat grid. Measured on the track
// loader's thread (never the audio thread); the grid is read by control calls,
// the loudness also by the audio thread.
#pragma once

#include <mutex>
#include <stop_token>

#include "bpm/track_grid.h"
#include "core/track.h"
#include "core/track_loudness.h"

namespace luma {

class TrackAnalysis {
  public:
    // Loader thread: measures the whole track; gives up, publishing nothing, on `stop`.
    void run(const Track& track, const std::stop_token& stop);

    // Any control thread: whether the analysis has finished, and what it found (an empty
    // grid for a track without a steady beat).
    bool finished(TrackGrid& grid) const;

    // Any thread, the audio thread included.
    const TrackLoudness& loudness() const noexcept { return loudness_; }

  private:
    mutable std::mutex mutex_;
    bool finished_ = false;
    TrackGrid grid_;
    TrackLoudness loudness_;
};

}  // namespace luma
