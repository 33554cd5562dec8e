#include "bpm/metrical_level.h"

#include <algorithm>
#include <cmath>

#include "bpm/harmony.h"

namespace luma {
namespace {

constexpr double kSlowestBeatBpm = 40.0, kFastestBeatBpm = 240.0;
constexpr double kSegmentSeconds = 10.0;  // each segment finds its own phase: tempo may drift
constexpr long kReach = 2;                // frames either side of a grid point that count as on it

struct Curve {
    const std::vector<float>& values;
    double peakLevel;
    double mass;
};

Curve describe(const std::vector<float>& values) {
    double mass = 0.0;
    for (float v : values) mass += v;
    return {values, strongPeakLevel(values), mass};
}

// A grid point's fill: the highest value within reach, against a clear onset's height.
double fillAt(const Curve& curve, long centre) {
    if (curve.peakLevel <= 0) return 0.0;
    float peak = 0.0f;
    for (long t = std::max(0L, centre - kReach);
         t <= std::min(long(curve.values.size()) - 1, centre + kReach); ++t) {
        peak = std::max(peak, curve.values[t]);
    }
    return std::min(1.0, peak / curve.peakLevel);
}

double massAt(const Curve& curve, long centre) {
    double mass = 0.0;
    for (long t = std::max(0L, centre - kReach);
         t <= std::min(long(curve.values.size()) - 1, centre + kReach); ++t) {
        mass += curve.values[t];
    }
    return mass;
}

// The phase in [begin, begin + period) whose grid collects the most of `curve` up to `end`.
double bestPhase(const std::vector<float>& curve, double begin, double end, double period) {
    double best = -1.0, bestPhase = begin;
    for (int offset = 0; offset < period; ++offset) {
        const double phase = begin + offset;
        double sum = 0.0;
        for (int n = 0; phase + n * period < end; ++n) {
            sum += curve[static_cast<std::size_t>(phase + n * period)];
        }
        if (sum > best) best = sum, bestPhase = phase;
    }
    return bestPhase;
}

struct Tally {
    double fill = 0.0, fillRoot = 0.0, mass = 0.0, points = 0.0;

    void add(const Curve& curve, double phase, double end, double period) {
        for (int n = 0; phase + n * period < end; ++n) {
            const long frame = std::lround(phase + n * period);
            const double f = fillAt(curve, frame);
            fill += f, fillRoot += std::sqrt(f), points += 1.0;
            mass += massAt(curve, frame);
        }
    }
    double meanFill() const { return points > 0 ? fill / points : 0.0; }
    double meanFillRoot() const { return points > 0 ? fillRoot / points : 0.0; }
    double share(const Curve& curve) const {
        return curve.mass > 0 ? std::min(1.0, mass / curve.mass) : 0.0;
    }
};

struct Summaries {
    Curve drums, all, hats, snare, harmony;
};

// Chord changes near onset frame `frame`, against a clear change's size.
double chordChangeAt(const Curve& harmony, long frame) {
    if (harmony.peakLevel <= 0) return 0.0;
    const long centre = (frame + HarmonicChange::kOnsetFrameLag + kOnsetFramesPerChroma / 2) /
                        kOnsetFramesPerChroma;
    float peak = 0.0f;
    for (long h = std::max(0L, centre - 1);
         h <= std::min(long(harmony.values.size()) - 1, centre + 1); ++h) {
        peak = std::max(peak, harmony.values[h]);
    }
    return std::min(1.0, peak / harmony.peakLevel);
}

// Chords change on bar lines: the mean change on whichever fourth grid points catch the
// most of it. A grid twice as fast as the beat leaves every other bar line without one.
void chordsIn(const Curve& harmony, double phase, double end, double period, double onBars[2]) {
    double sums[4] = {}, counts[4] = {};
    for (int n = 0; phase + n * period < end; ++n) {
        sums[n % 4] += chordChangeAt(harmony, std::lround(phase + n * period));
        counts[n % 4] += 1;
    }
    const int bar = int(std::max_element(sums, sums + 4) - sums);
    onBars[0] += sums[bar], onBars[1] += counts[bar];
}

// Snare on every other grid point, as a backbeat puts it: the difference between the
// two halves' snare fills, per segment since the phase may flip between segments.
double backbeatIn(const Curve& snare, double phase, double end, double period, double& points) {
    double fills[2] = {0, 0}, counts[2] = {0, 0};
    for (int n = 0; phase + n * period < end; ++n) {
        fills[n % 2] += fillAt(snare, std::lround(phase + n * period));
        counts[n % 2] += 1;
    }
    if (counts[0] == 0 || counts[1] == 0) return 0.0;
    points += counts[0] + counts[1];
    return std::abs(fills[0] / counts[0] - fills[1] / counts[1]) * (counts[0] + counts[1]);
}

LevelEvidence measure(const Summaries& s, double period, double frameRate) {
    LevelEvidence evidence;
    evidence.bpm = 60.0 * frameRate / period;
    const auto frames = double(s.all.values.size());
    if (period < 2.0 || frames < 2 * period) return evidence;

    const double segment = std::max(kSegmentSeconds * frameRate, 4 * period);
    Tally drums, all, allOff, allSixteenth, hats, hatsOff, hatsSixteenth;
    double backbeat = 0.0, backbeatPoints = 0.0;
    double chordsOnBars[2] = {0, 0};
    for (double begin = 0; begin + period < frames; begin += segment) {
        const double end = std::min(frames - 1, begin + segment);
        const double phase = bestPhase(s.all.values, begin, end, period);
        drums.add(s.drums, phase, end, period);
        all.add(s.all, phase, end, period);
        allOff.add(s.all, phase + period / 2, end, period);
        allSixteenth.add(s.all, phase + period / 4, end, period);
        allSixteenth.add(s.all, phase + 3 * period / 4, end, period);
        hats.add(s.hats, phase, end, period);
        hatsOff.add(s.hats, phase + period / 2, end, period);
        hatsSixteenth.add(s.hats, phase + period / 4, end, period);
        hatsSixteenth.add(s.hats, phase + 3 * period / 4, end, period);
        backbeat += backbeatIn(s.snare, phase, end, period, backbeatPoints);
    }
    // Over the whole track at once: chords span bars, which a segment holds too few of.
    if (s.harmony.peakLevel > 0) {
        const double phase = bestPhase(s.all.values, 0, frames - 1, period);
        chordsIn(s.harmony, phase, frames - 1, period, chordsOnBars);
    }
    evidence.drumsOnGrid = drums.meanFill();
    evidence.drumsCaptured = drums.share(s.drums);
    evidence.onsetsOnGrid = all.meanFill();
    evidence.onsetsCaptured = all.share(s.all);
    evidence.onsetsOffbeat = allOff.meanFill();
    evidence.onsetsSixteenth = allSixteenth.meanFill();
    evidence.hatsOnGrid = hats.meanFillRoot();
    evidence.hatsOffbeat = hatsOff.meanFillRoot();
    evidence.hatsSixteenth = hatsSixteenth.meanFillRoot();
    evidence.backbeat = backbeatPoints > 0 ? backbeat / backbeatPoints : 0.0;
    evidence.chordsOnBars = chordsOnBars[1] > 0 ? chordsOnBars[0] / chordsOnBars[1] : 0.0;
    return evidence;
}

Summaries summarise(const NoveltyCurves& curves) {
    return {describe(curves.drums), describe(curves.all), describe(curves.hats),
            describe(curves.snare), describe(curves.harmony)};
}

}  // namespace

LevelEvidence measureLevel(const NoveltyCurves& curves, double period, double frameRate) {
    return measure(summarise(curves), period, frameRate);
}

// A log-linear score. The weights were fitted (conditional logit: the true beat
// against its multiples and fractions, tools/level-fit) on synthetic tracks of every
// style we generate, apart from those the tests and the benchmark use, starting from
// the fit before chord changes were measured. What they say: a beat catches the drums
// without empty grid points, carries onsets on its off-beats, often has a snare on
// every other beat, has a chord change on every fourth grid point, and lies near
// 120 BPM (about 0.3 octave either side).
double levelScore(const LevelEvidence& e) {
    auto log = [](double share) { return std::log(std::max(share, 1e-3)); };
    const double octaves = std::log2(e.bpm / 120.0);
    return -0.07 * octaves - 5.18 * octaves * octaves + 1.57 * log(e.drumsOnGrid) +
           2.42 * log(e.drumsCaptured) + 1.03 * log(e.onsetsOnGrid) + 1.63 * log(e.onsetsCaptured) +
           2.63 * e.onsetsOffbeat + 0.28 * e.onsetsSixteenth + 1.06 * e.hatsOnGrid +
           1.75 * e.hatsOffbeat - 1.18 * e.hatsSixteenth + 0.69 * e.backbeat +
           3.08 * e.chordsOnBars;
}

double chooseBeatLevel(const NoveltyCurves& curves, double period, double frameRate) {
    // 3:4 and 4:3 for a figure every dotted eighth, which can outweigh the beat under it.
    constexpr double kRatios[] = {1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 3.0 / 4, 1.0,
                                  4.0 / 3, 3.0 / 2, 2.0,     3.0,     4.0};
    const Summaries summaries = summarise(curves);
    double best = period, bestScore = -1e300;
    for (double ratio : kRatios) {
        const double candidate = period * ratio;
        const double bpm = 60.0 * frameRate / candidate;
        if (bpm < kSlowestBeatBpm || bpm > kFastestBeatBpm) continue;
        const double score = levelScore(measure(summaries, candidate, frameRate));
        if (score > bestScore) bestScore = score, best = candidate;
    }
    return best;
}

}  // namespace luma
