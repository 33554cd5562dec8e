#include "core/track_analysis.h"

#include <sys/resource.h>
#include <unistd.h>

#include <vector>

namespace luma {

void TrackAnalysis::run(const Track& track, const std::stop_token& stop) {
    // Nothing waits for the grid: this thread (the loader's, its decoding done) yields
    // to the other deck's decoding and to the window.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    // The loudness first: it is quick, and the track may already be playing at unity.
    loudness_.measure(track, stop);
    // The track's own samples, mixed to mono as the tempo detection mixes them.
    std::vector<float> left, right;
    const MonoReader read = [&](int64_t first, int count, float* out) {
        left.resize(static_cast<size_t>(count));
        right.resize(static_cast<size_t>(count));
        track.fetch(first, count, left.data(), right.data());
        for (int i = 0; i < count; ++i) out[i] = 0.5f * (left[i] + right[i]);
    };
    const TrackGrid grid = measureTrackGrid(read, track.frames(), track.sampleRate(), stop);
    if (stop.stop_requested()) return;
    std::lock_guard lock(mutex_);
    grid_ = grid;
    finished_ = true;
}

bool TrackAnalysis::finished(TrackGrid& grid) const {
    std::lock_guard lock(mutex_);
    grid = grid_;
    return finished_;
}

}  // namespace luma
