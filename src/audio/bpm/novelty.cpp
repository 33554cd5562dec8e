#include "bpm/novelty.h"

#include <algorithm>
#include <cmath>

#include "bpm/onset_strength.h"

namespace luma {
namespace {

enum Band { kKick, kLowMid, kSnare, kHats, kAir };

// Kicks and snares mark beats more reliably than hats, which fill the gaps between.
constexpr float kDrumWeights[kOnsetBands] = {1.0f, 0.7f, 0.8f, 0.0f, 0.0f};
constexpr float kAllWeights[kOnsetBands] = {1.0f, 0.7f, 0.8f, 0.5f, 0.3f};
constexpr double kLocalSeconds = 1.0;  // span of the level each onset is measured against
// An onset must rise this far above that level: the flux of a steady texture (hiss,
// a dense wash of notes) wavers around its mean, and what wavers keeps no time.
constexpr double kAboveLevel = 1.5;
// One band's rises above kAboveLevel times a centred running mean.
std::vector<float> bandRises(const std::vector<float>& bandValues, int band, double frameRate) {
    const std::size_t frames = bandValues.size() / kOnsetBands;
    const auto half = static_cast<std::size_t>(std::max(1.0, kLocalSeconds * frameRate / 2));
    auto at = [&](std::size_t f) { return bandValues[f * kOnsetBands + band]; };
    std::vector<float> rises(frames);
    double sum = 0.0;
    std::size_t begin = 0, end = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        const std::size_t wantEnd = std::min(frames, f + half + 1);
        const std::size_t wantBegin = f > half ? f - half : 0;
        for (; end < wantEnd; ++end) sum += at(end);
        for (; begin < wantBegin; ++begin) sum -= at(begin);
        rises[f] =
            static_cast<float>(std::max(0.0, at(f) - kAboveLevel * sum / double(end - begin)));
    }
    return rises;
}

}  // namespace

NoveltyCurves beatNovelty(const std::vector<float>& bandValues, double frameRate,
                          const std::vector<float>& bandLevels) {
    const std::size_t frames = bandValues.size() / kOnsetBands;
    NoveltyCurves curves;
    curves.drums.assign(frames, 0.0f);
    curves.all.assign(frames, 0.0f);
    curves.hats.assign(frames, 0.0f);
    curves.snare.assign(frames, 0.0f);
    for (int band = 0; band < kOnsetBands; ++band) {
        std::vector<float> rises = bandRises(bandValues, band, frameRate);
        for (std::size_t f = 0; f < frames; ++f) {
            curves.drums[f] += kDrumWeights[band] * rises[f];
            curves.all[f] += kAllWeights[band] * rises[f];
            if (band == kHats || band == kAir) curves.hats[f] += rises[f];
        }
        curves.bands.push_back(std::move(rises));
        if (bandLevels.size() == bandValues.size()) {
            std::vector<float>& level = curves.levels.emplace_back(frames);
            for (std::size_t f = 0; f < frames; ++f) level[f] = bandLevels[f * kOnsetBands + band];
        }
    }
    const std::vector<float>&kick = curves.bands[kKick], &snare = curves.bands[kSnare];
    // A snare is a mid-band onset stronger, for its band, than the kick band's at once.
    const double kickLevel = strongPeakLevel(kick), snareLevel = strongPeakLevel(snare);
    if (kickLevel > 0 && snareLevel > 0) {
        for (std::size_t f = 0; f < frames; ++f) {
            curves.snare[f] =
                static_cast<float>(std::max(0.0, snare[f] / snareLevel - kick[f] / kickLevel));
        }
    }
    return curves;
}

double strongPeakLevel(const std::vector<float>& curve) {
    std::vector<float> peaks;
    for (std::size_t t = 1; t + 1 < curve.size(); ++t) {
        if (curve[t] > curve[t - 1] && curve[t] >= curve[t + 1]) peaks.push_back(curve[t]);
    }
    if (peaks.empty()) return 0.0;
    const auto quarter = peaks.begin() + static_cast<std::ptrdiff_t>(peaks.size() * 3 / 4);
    std::nth_element(peaks.begin(), quarter, peaks.end());
    double sum = 0.0;
    for (auto it = quarter; it != peaks.end(); ++it) sum += *it;
    return sum / double(peaks.end() - quarter);
}

}  // namespace luma
