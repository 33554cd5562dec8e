// Fits the metrical-level weights of levelScore: a conditional logit, the true
// beat against the other candidate levels, on drum-machine tracks of every
// style at tempos over each style's range. Seeds start far above those of the
// tests and benchmarks, and tempos within half a BPM of theirs are skipped.
// The weights of the previous fit are where it starts and what it is held
// near, so that a new term changes only what the tracks ask for.
//
//   level_fit [TRACKS_PER_STYLE [CACHE]]  prints the weights and the tracks they get wrong;
//                                         CACHE keeps the evidence for the next run
//   level_fit show STYLE BPM SEED         each candidate's evidence and score
//   level_fit raw FILE BPM                the same for raw 44.1 kHz mono float samples
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bpm/beat_grid.h"
#include "bpm/decimator.h"
#include "bpm/harmony.h"
#include "bpm/metrical_level.h"
#include "bpm/novelty.h"
#include "bpm/onset_strength.h"
#include "bpm/periodicity.h"
#include "drums/beat_tracks.h"
#include "drums/drum_voices.h"

namespace {

using luma::LevelEvidence;
using luma::drums::BeatStyle;
constexpr int kRate = 44100;
constexpr double kRatios[] = {1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 3.0 / 4, 1.0,
                              4.0 / 3, 3.0 / 2, 2.0,     3.0,     4.0};

// The terms of levelScore, in its order.
std::vector<double> features(const LevelEvidence& e) {
    auto log = [](double share) { return std::log(std::max(share, 1e-3)); };
    const double octaves = std::log2(e.bpm / 120.0);
    return {octaves,
            octaves * octaves,
            log(e.drumsOnGrid),
            log(e.drumsCaptured),
            log(e.onsetsOnGrid),
            log(e.onsetsCaptured),
            e.onsetsOffbeat,
            e.onsetsSixteenth,
            e.hatsOnGrid,
            e.hatsOffbeat,
            e.hatsSixteenth,
            e.backbeat,
            e.chordsOnBars};
}
const char* const kNames[] = {"octaves",           "octaves^2",        "log drumsOnGrid",
                              "log drumsCaptured", "log onsetsOnGrid", "log onsetsCaptured",
                              "onsetsOffbeat",     "onsetsSixteenth",  "hatsOnGrid",
                              "hatsOffbeat",       "hatsSixteenth",    "backbeat",
                              "chordsOnBars"};
// The fit before chord changes were measured; 0 for the terms new since.
const std::vector<double> kPrevious = {-0.10, -3.41, 1.20, 1.53,  0.98, 1.29, 1.21,
                                       -0.44, 0.60,  0.90, -1.28, 1.16, 0.0};
constexpr double kHeld = 1.0;  // the pull towards kPrevious, or towards 0 at half this
                               // for a new term

struct Case {
    std::string name;
    std::vector<std::vector<double>> candidates;
    std::vector<LevelEvidence> evidence;
    int truth = -1;
};

// The detector's own path up to the level choice.
Case analyse(const std::vector<float>& mono, double bpm) {
    luma::Decimator decimator(kRate);
    luma::OnsetStrength onsets(decimator.outputRate(), 90.0);
    luma::HarmonicChange harmony(decimator.outputRate(), 90.0);
    std::vector<float> low, air;
    const std::size_t used = std::min<std::size_t>(mono.size(), 90 * kRate);
    decimator.process(mono.data(), used, low, air);
    onsets.process(low.data(), air.data(), low.size());
    harmony.process(low.data(), low.size());
    const double frameRate = onsets.frameRate();
    luma::NoveltyCurves curves = luma::beatNovelty(onsets.values(), frameRate, onsets.levels());
    curves.harmony = harmony.change();
    luma::Periodicity periodicity = luma::strongestPeriodicity(curves, frameRate);
    Case c;
    if (periodicity.frames <= 0) return c;
    const luma::Periodicity mixed = luma::strongestPeriodicity(curves.all, frameRate);
    if (mixed.strength >= periodicity.strength) periodicity = mixed;
    const double precise = luma::refineBeatPeriod(curves.all, periodicity.frames);
    for (double ratio : kRatios) {
        const double candidate = precise * ratio;
        const double candidateBpm = 60.0 * frameRate / candidate;
        if (candidateBpm < 40 || candidateBpm > 240) continue;
        const LevelEvidence e = luma::measureLevel(curves, candidate, frameRate);
        if (std::abs(candidateBpm / bpm - 1) < 0.04) c.truth = int(c.candidates.size());
        c.candidates.push_back(features(e));
        c.evidence.push_back(e);
    }
    return c;
}

struct StyleRange {
    BeatStyle style;
    double slowest, fastest;
};
const StyleRange kStyles[] = {
    {BeatStyle::fourOnTheFloor, 70, 180}, {BeatStyle::syncopatedKick, 85, 140},
    {BeatStyle::breakbeat, 80, 140},      {BeatStyle::halfTime, 120, 150},
    {BeatStyle::shuffle, 80, 130},        {BeatStyle::sparseIntro, 110, 140},
    {BeatStyle::tripletHats, 90, 140},    {BeatStyle::dottedAccents, 100, 140},
    {BeatStyle::dottedEighths, 80, 130},  {BeatStyle::drumAndBass, 160, 180},
    {BeatStyle::bassLed, 110, 135},       {BeatStyle::denseSyncopated, 125, 150},
    {BeatStyle::offbeatClaps, 72, 95},
};

// Tempos the tests and benchmarks use.
bool reserved(double bpm) {
    const double used[] = {72,    76,  82,    78.5,  80,    83,  85.2, 87.5,  88,    89.4,
                           96,    97,  98,    110,   115.5, 116, 118,  122,   123.4, 124,
                           124.3, 126, 128,   128.8, 131,   132, 133,  134.5, 137,   139.2,
                           140,   141, 143.7, 145,   174,   178, 120,  125};
    for (double u : used) {
        if (std::abs(bpm - u) < 0.5) return true;
    }
    return false;
}

std::vector<Case> trainingCases(int perStyle) {
    std::vector<Case> cases;
    luma::drums::VoiceRandom random(777);
    uint32_t seed = 300000;
    for (const StyleRange& range : kStyles) {
        for (int i = 0; i < perStyle; ++i) {
            luma::drums::BeatTrackRecipe recipe;
            recipe.style = range.style;
            do {
                recipe.bpm = std::round(random.between(range.slowest, range.fastest) * 10) / 10;
            } while (reserved(recipe.bpm));
            recipe.seconds = std::round(random.between(25, 90));
            luma::drums::drawArrangement(recipe, random, range.style != BeatStyle::bassLed);
            recipe.seed = seed++;
            recipe.channels = 1;
            Case c = analyse(luma::drums::renderBeatTrack(recipe).samples, recipe.bpm);
            char name[64];
            std::snprintf(name, sizeof name, "%s %.1f seed %u%s%s",
                          luma::drums::styleName(recipe.style), recipe.bpm, recipe.seed,
                          recipe.bassline ? " bass" : "", recipe.pad ? " pad" : "");
            c.name = name;
            if (c.truth >= 0) cases.push_back(std::move(c));
        }
    }
    return cases;
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
    return sum;
}

// Newton's method on the penalised log-likelihood.
std::vector<double> fit(const std::vector<Case>& cases, std::size_t n, double penalty,
                        const std::vector<double>& prior) {
    std::vector<double> w = prior;
    for (int iteration = 0; iteration < 50; ++iteration) {
        std::vector<double> gradient(n, 0.0);
        std::vector<std::vector<double>> hessian(n, std::vector<double>(n, 0.0));
        for (const Case& c : cases) {
            std::vector<double> p;
            double top = -1e300;
            for (const auto& x : c.candidates) top = std::max(top, dot(w, x));
            double total = 0;
            for (const auto& x : c.candidates) total += p.emplace_back(std::exp(dot(w, x) - top));
            std::vector<double> mean(n, 0.0);
            for (std::size_t k = 0; k < p.size(); ++k) {
                p[k] /= total;
                for (std::size_t i = 0; i < n; ++i) mean[i] += p[k] * c.candidates[k][i];
            }
            for (std::size_t i = 0; i < n; ++i) gradient[i] += c.candidates[c.truth][i] - mean[i];
            for (std::size_t k = 0; k < p.size(); ++k) {
                for (std::size_t i = 0; i < n; ++i) {
                    for (std::size_t j = 0; j < n; ++j) {
                        hessian[i][j] +=
                            p[k] * (c.candidates[k][i] - mean[i]) * (c.candidates[k][j] - mean[j]);
                    }
                }
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double held = prior[i] != 0.0 ? penalty : penalty / 2;
            gradient[i] -= 2 * held * (w[i] - prior[i]);
            hessian[i][i] += 2 * held;
        }
        // Solve hessian * step = gradient by elimination with partial pivoting.
        std::vector<double> step = gradient;
        for (std::size_t col = 0; col < n; ++col) {
            std::size_t pivot = col;
            for (std::size_t r = col + 1; r < n; ++r) {
                if (std::abs(hessian[r][col]) > std::abs(hessian[pivot][col])) pivot = r;
            }
            std::swap(hessian[col], hessian[pivot]);
            std::swap(step[col], step[pivot]);
            for (std::size_t r = col + 1; r < n; ++r) {
                const double f = hessian[r][col] / hessian[col][col];
                for (std::size_t k = col; k < n; ++k) hessian[r][k] -= f * hessian[col][k];
                step[r] -= f * step[col];
            }
        }
        for (std::size_t col = n; col-- > 0;) {
            for (std::size_t k = col + 1; k < n; ++k) step[col] -= hessian[col][k] * step[k];
            step[col] /= hessian[col][col];
        }
        double size = 0;
        for (std::size_t i = 0; i < n; ++i) w[i] += step[i], size += step[i] * step[i];
        if (size < 1e-12) break;
    }
    return w;
}

int picks(const Case& c, const std::vector<double>& w) {
    int best = 0;
    for (std::size_t k = 1; k < c.candidates.size(); ++k) {
        if (dot(w, c.candidates[k]) > dot(w, c.candidates[best])) best = int(k);
    }
    return best;
}

}  // namespace

void show(const Case& c) {
    for (std::size_t k = 0; k < c.candidates.size(); ++k) {
        std::printf("%7.2f score %7.2f %s:", c.evidence[k].bpm, luma::levelScore(c.evidence[k]),
                    int(k) == c.truth ? "*" : " ");
        for (double x : c.candidates[k]) std::printf(" %6.2f", x);
        std::printf("\n");
    }
}

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "show") == 0) {
        luma::drums::BeatTrackRecipe recipe;
        for (const StyleRange& range : kStyles) {
            if (std::strcmp(luma::drums::styleName(range.style), argv[2]) == 0)
                recipe.style = range.style;
        }
        recipe.bpm = std::atof(argv[3]);
        recipe.seed = uint32_t(std::atoi(argv[4]));
        recipe.seconds = 60;
        recipe.channels = 1;
        show(analyse(luma::drums::renderBeatTrack(recipe).samples, recipe.bpm));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "raw") == 0) {
        std::vector<float> mono;
        if (FILE* file = std::fopen(argv[2], "rb")) {
            float buffer[4096];
            for (std::size_t got; (got = std::fread(buffer, sizeof(float), 4096, file)) > 0;)
                mono.insert(mono.end(), buffer, buffer + got);
            std::fclose(file);
        }
        show(analyse(mono, std::atof(argv[3])));
        return 0;
    }
    const int perStyle = argc > 1 ? std::atoi(argv[1]) : 20;
    std::vector<Case> cases;
    // The evidence of each candidate, kept so that the fit can be rerun at once.
    const char* cache = argc > 2 ? argv[2] : nullptr;
    if (FILE* file = cache ? std::fopen(cache, "rb") : nullptr) {
        char name[128];
        int count = 0;
        while (std::fscanf(file, " %127[^\t]\t%d %d", name, &count, &cases.emplace_back().truth) ==
               3) {
            cases.back().name = name;
            for (int k = 0; k < count; ++k) {
                LevelEvidence& e = cases.back().evidence.emplace_back();
                std::fscanf(file, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &e.bpm,
                            &e.drumsOnGrid, &e.drumsCaptured, &e.onsetsOnGrid, &e.onsetsCaptured,
                            &e.onsetsOffbeat, &e.onsetsSixteenth, &e.hatsOnGrid, &e.hatsOffbeat,
                            &e.hatsSixteenth, &e.backbeat, &e.chordsOnBars);
                cases.back().candidates.push_back(features(e));
            }
        }
        cases.pop_back();
        std::fclose(file);
    } else {
        cases = trainingCases(perStyle);
        if (FILE* out = cache ? std::fopen(cache, "wb") : nullptr) {
            for (const Case& c : cases) {
                std::fprintf(out, "%s\t%zu %d\n", c.name.c_str(), c.evidence.size(), c.truth);
                for (const LevelEvidence& e : c.evidence) {
                    std::fprintf(out,
                                 "%.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n",
                                 e.bpm, e.drumsOnGrid, e.drumsCaptured, e.onsetsOnGrid,
                                 e.onsetsCaptured, e.onsetsOffbeat, e.onsetsSixteenth, e.hatsOnGrid,
                                 e.hatsOffbeat, e.hatsSixteenth, e.backbeat, e.chordsOnBars);
                }
            }
            std::fclose(out);
        }
    }
    const std::size_t n = std::size(kNames);
    const std::vector<double> w = fit(cases, n, kHeld, kPrevious);
    for (std::size_t i = 0; i < n; ++i) std::printf("%-18s %7.2f\n", kNames[i], w[i]);
    int right = 0;
    for (const Case& c : cases) {
        const int pick = picks(c, w);
        right += pick == c.truth;
        if (pick != c.truth) {
            std::printf("  wrong: %s -> %.1f\n", c.name.c_str(), c.evidence[pick].bpm);
        }
    }
    std::printf("%d of %zu tracks at the right level\n", right, cases.size());
    return 0;
}
