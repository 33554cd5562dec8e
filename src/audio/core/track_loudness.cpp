#include "core/track_loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "dsp/true_peak_meter.h"

namespace luma {

namespace {

// Frames handed to the meter at a time: a stop is noticed between them.
constexpr int64_t kStretchFrames = 1 << 16;
constexpr double kSilentDb = -200.0;

struct MeterDeleter {
    void operator()(ebur128_state* state) const noexcept { ebur128_destroy(&state); }
};
using Meter = std::unique_ptr<ebur128_state, MeterDeleter>;

}  // namespace

float loudnessGainDb(float targetLufs, float lufs, float truePeakDb) noexcept {
    // Below BS.1770's absolute gate nothing counts as heard: there is no loudness to even out.
    constexpr float kAbsoluteGateLufs = -70.0f;
    if (!loudnessOn(targetLufs) || !(lufs > kAbsoluteGateLufs) || !std::isfinite(truePeakDb))
        return 0.0f;
    const float wanted = targetLufs - lufs;
    if (wanted <= 0.0f) return wanted;
    const float headroom = std::max(
        0.0f, TrackLoudness::kTruePeakCeilingDb - TrackLoudness::kCeilingMarginDb - truePeakDb);
    return std::min({wanted, headroom, TrackLoudness::kMaxBoostDb});
}

bool TrackLoudness::measure(const Track& track, const std::stop_token& stop) {
    const int channels = track.channels();
    Meter meter(ebur128_init(static_cast<unsigned>(channels),
                             static_cast<unsigned long>(track.sampleRate()), EBUR128_MODE_I));
    if (!meter) return false;
    // A mono track plays on both sides: it is as loud as the same signal in stereo.
    if (channels == 1 && ebur128_set_channel(meter.get(), 0, EBUR128_DUAL_MONO) != EBUR128_SUCCESS)
        return false;
    dsp::TruePeakMeter peakMeter(channels);
    for (int64_t first = 0; first < track.frames(); first += kStretchFrames) {
        if (stop.stop_requested()) return false;
        const int64_t count = std::min(kStretchFrames, track.frames() - first);
        const auto frames = static_cast<size_t>(count);
        int status = 0;
        if (track.kind() == SampleKind::Int16) {
            status = ebur128_add_frames_short(meter.get(), track.int16Frames(first), frames);
            peakMeter.add(track.int16Frames(first), count);
        } else {
            status = ebur128_add_frames_float(meter.get(), track.floatFrames(first), frames);
            peakMeter.add(track.floatFrames(first), count);
        }
        if (status != EBUR128_SUCCESS) return false;
    }
    double lufs = 0.0;
    if (ebur128_loudness_global(meter.get(), &lufs) != EBUR128_SUCCESS) return false;
    const double truePeak = peakMeter.finish();
    // Silence measures -inf: kept finite, and far below anything that is heard.
    lufs_ = static_cast<float>(std::max(lufs, kSilentDb));
    truePeakDb_ = static_cast<float>(
        truePeak > 0.0 ? std::max(20.0 * std::log10(truePeak), kSilentDb) : kSilentDb);
    measured_.store(true, std::memory_order_release);
    return true;
}

}  // namespace luma
