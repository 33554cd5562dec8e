#include "deck/beat_grid.h"

#include <algorithm>
#include <cmath>

#include "deck/channel_bytes.h"

namespace luma {

namespace {
// Bytes whose seconds tell the frame size: large enough that the float
// seconds separate 2 from 4 bytes a frame at any rate.
constexpr int64_t kFrameProbeBytes = 1 << 20;
}  // namespace

int64_t BeatGrid::beatBytes(int64_t n) const {
    const double seconds = firstBeatSeconds + static_cast<double>(n) * 60.0 / bpm;
    return std::llround(seconds * rate) * frameBytes;
}

int64_t BeatGrid::nearestBeat(int64_t bytes) const {
    const double seconds = static_cast<double>(bytes) / frameBytes / rate;
    return std::max<int64_t>(0, std::llround((seconds - firstBeatSeconds) * bpm / 60.0));
}

int64_t BeatGrid::beatAtOrBefore(int64_t bytes) const {
    const double seconds = static_cast<double>(bytes) / frameBytes / rate;
    auto n = static_cast<int64_t>(std::floor((seconds - firstBeatSeconds) * bpm / 60.0));
    // The beats' own rounding to frames decides, not the division's.
    if (beatBytes(n + 1) <= bytes) ++n;
    if (n > 0 && beatBytes(n) > bytes) --n;
    return std::max<int64_t>(0, n);
}

std::optional<BeatGrid> readBeatGrid(AudioLibrary& audio, uint32_t handle, int32_t rate) {
    BeatGrid grid;
    grid.rate = rate;
    if (handle == 0 || rate <= 0 ||
        !audio.LUMA_ChannelGetBeatGrid(handle, &grid.bpm, &grid.firstBeatSeconds, nullptr) ||
        !std::isfinite(grid.bpm) || grid.bpm <= 0.0 || !std::isfinite(grid.firstBeatSeconds)) {
        return std::nullopt;
    }
    const double seconds = BytesToSeconds(audio, handle, kFrameProbeBytes);
    if (!(seconds > 0.0)) return std::nullopt;
    grid.frameBytes = static_cast<int>(std::lround(kFrameProbeBytes / (seconds * rate)));
    if (grid.frameBytes != 2 && grid.frameBytes != 4) return std::nullopt;
    return grid;
}

}  // namespace luma
