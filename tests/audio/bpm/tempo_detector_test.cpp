// The decimator's split, and the tempo detector over every style of synthetic
// track (within 1 %, 0.2 % on clean ones), the range asked for and awkward input.
#include "bpm/tempo_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "bpm/decimator.h"
#include "bpm/tempo_range.h"
#include "drums/beat_tracks.h"
#include "drums/drum_voices.h"
#include "support/audio_files.h"

namespace luma::test {
namespace {

using drums::BeatStyle;
using drums::BeatTrackRecipe;
using drums::styleName;

constexpr int kRate = 44100;

// Levels of the band and of the air, past the filter's start.
std::pair<double, double> split(double hz) {
    Decimator decimator(44100);
    const Signal sine = makeSine(hz, 1.0, 44100, 1, 0.5);
    std::vector<float> low, air;
    decimator.process(sine.samples.data(), sine.samples.size(), low, air);
    EXPECT_NEAR(double(low.size()), 44100 / 4, 16);
    const auto rms = [](const std::vector<float>& x) {
        return std::sqrt(std::inner_product(x.begin() + 100, x.end(), x.begin() + 100, 0.0) /
                         double(x.size() - 100));
    };
    return {rms(low), rms(air)};
}

TEST(Decimator, KeepsTheBandAndPassesTheRestToTheAir) {
    const double full = 0.5 / std::sqrt(2.0);
    for (double hz : {100.0, 1000.0, 2000.0}) {
        const auto [low, air] = split(hz);
        EXPECT_NEAR(low / full, 1.0, 0.02) << hz << " Hz";
        EXPECT_LT(air / full, 0.03) << hz << " Hz";
    }
    for (double hz : {9000.0, 15000.0}) {
        const auto [low, air] = split(hz);
        EXPECT_LT(low / full, 0.003) << hz << " Hz: aliases into the band";
        EXPECT_NEAR(air / full, 1.0, 0.1) << hz << " Hz";
    }
    // In the crossover the two parts, in phase, still add up to the input.
    for (double hz : {3500.0, 5000.0, 6500.0}) {
        const auto [low, air] = split(hz);
        EXPECT_NEAR((low + air) / full, 1.0, 0.02) << hz << " Hz";
    }
}

// One channel of a drum machine track: the deck's mono mix of it.
std::vector<float> beatTrack(BeatTrackRecipe recipe) {
    recipe.channels = 1;
    return drums::renderBeatTrack(recipe).samples;
}

double detectTempo(const std::vector<float>& mono, double rate = kRate, double minBpm = 0,
                   double maxBpm = 0, size_t block = 4096) {
    TempoDetector detector(rate, minBpm, maxBpm);
    for (size_t done = 0; done < mono.size(); done += block) {
        detector.process(mono.data() + done, std::min(block, mono.size() - done));
    }
    return detector.tempo();
}

class StyleTempo : public testing::TestWithParam<BeatTrackRecipe> {};

TEST_P(StyleTempo, WithinOnePercent) {
    BeatTrackRecipe recipe = GetParam();
    recipe.seed = static_cast<uint32_t>(recipe.bpm * 10) + static_cast<uint32_t>(recipe.style);
    const double tolerance = std::isinf(recipe.snrDb) ? 0.002 : 0.01;
    EXPECT_NEAR(detectTempo(beatTrack(recipe), recipe.rate), recipe.bpm, tolerance * recipe.bpm)
        << styleName(recipe.style) << " at " << recipe.rate << " Hz";
}

using R = BeatTrackRecipe;
using enum BeatStyle;
INSTANTIATE_TEST_SUITE_P(
    Styles, StyleTempo,
    testing::Values(
        // Plain kick and off-beat hat where trackers often halve or double.
        R{.bpm = 87.5, .seconds = 20}, R{.bpm = 140, .seconds = 20}, R{.bpm = 174, .seconds = 20},
        R{.bpm = 72, .seconds = 20}, R{.bpm = 178, .seconds = 20},
        R{.bpm = 124, .seconds = 20, .bassline = true, .pad = true},
        R{.bpm = 128, .seconds = 20, .snrDb = 6.0},
        R{.bpm = 98, .seconds = 20, .style = syncopatedKick},
        R{.bpm = 97, .seconds = 20, .style = syncopatedKick, .snrDb = 0.0},
        R{.bpm = 116, .seconds = 20, .style = syncopatedKick, .swing = 0.4, .bassline = true},
        R{.bpm = 110, .seconds = 25, .style = breakbeat, .bassline = true},
        R{.bpm = 140, .seconds = 25, .style = halfTime},
        R{.bpm = 96, .seconds = 20, .style = shuffle},
        R{.bpm = 122, .seconds = 30, .style = sparseIntro},
        R{.bpm = 118, .seconds = 20, .style = tripletHats},
        R{.bpm = 126, .seconds = 20, .style = dottedAccents},
        R{.bpm = 88, .seconds = 20, .style = dottedEighths},
        R{.bpm = 174, .seconds = 20, .style = drumAndBass},
        // No drums: the pulse is a quiet figure above loud held chords.
        R{.bpm = 118, .seconds = 30, .style = bassLed},
        // Off-beat claps read as a backbeat twice as fast; the chords tell the bar.
        R{.bpm = 82, .seconds = 30, .style = offbeatClaps},
        // Sample rates kept whole and decimated by an odd factor.
        R{.bpm = 123.4, .seconds = 15, .rate = 8000},
        R{.bpm = 123.4, .seconds = 15, .rate = 96000}));

// The range, a tempo and where it folds to (in 130..140, 128 is nearer than 116 too many).
TEST(TempoRange, HalvesAndDoublesIntoRangeAndNonsenseFallsBackToTheDefaults) {
    const double cases[][4] = {{70, 180, 70, 70},    {70, 180, 180, 180}, {70, 180, 400, 100},
                               {70, 180, 30, 120},   {70, 180, 0, 0},     {70, 180, NAN, 0},
                               {130, 140, 128, 128}, {130, 140, 75, 150}, {130, 140, 135, 135}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(TempoRange::orDefault(c[0], c[1]).fold(c[2]), c[3]) << c[2];
    }
    // A bad limit falls back on its own; an empty or inverted range entirely.
    const double low = TempoRange{}.lowest, high = TempoRange{}.highest;
    const double nonsense[][4] = {
        {0, 0, low, high},    {150, 100, low, high}, {100, 100, low, high},   {-5, 160, low, 160},
        {NAN, 160, low, 160}, {90, 0, 90, high},     {90, INFINITY, 90, high}};
    for (const auto& c : nonsense) {
        const TempoRange range = TempoRange::orDefault(c[0], c[1]);
        EXPECT_EQ(range.lowest, c[2]) << c[0] << ".." << c[1];
        EXPECT_EQ(range.highest, c[3]) << c[0] << ".." << c[1];
    }
}

TEST(TempoDetector, FindsNoBeatWhereThereIsNone) {
    EXPECT_EQ(detectTempo({}), 0.0) << "nothing";
    EXPECT_EQ(detectTempo(std::vector<float>(kRate * 20, 0.0f)), 0.0) << "silence";
    EXPECT_EQ(detectTempo(std::vector<float>(kRate * 10, NAN)), 0.0) << "NaN";
    EXPECT_EQ(detectTempo(makeSine(55, 20, kRate, 1).samples), 0.0) << "bass tone";
    drums::VoiceRandom random(1);
    std::vector<float> noise(kRate * 20);
    for (float& s : noise) s = static_cast<float>(0.3 * random.gaussian());
    EXPECT_EQ(detectTempo(noise), 0.0) << "noise";
    // Swells are no beat: partials beating in held chords, a tremolo, a drone.
    using drums::Texture;
    for (Texture texture :
         {Texture::sawChord, Texture::organChord, Texture::tremoloChord, Texture::drone}) {
        EXPECT_EQ(detectTempo(drums::renderTexture(texture, 40, 1).samples), 0.0)
            << drums::textureName(texture);
    }
    TempoDetector detector(kRate);
    detector.process(nullptr, 100);
    EXPECT_EQ(detector.tempo(), 0.0) << "no samples behind the count";
}

// Clicks shorter than an analysis frame fall as fast as they rise, like a swell: still a beat.
TEST(TempoDetector, HearsAMetronomeWhoseClicksAreShorterThanAFrame) {
    drums::VoiceRandom random(7);
    for (const auto& [bpm, noisy] : {std::pair{120.0, false}, {126.4, true}}) {
        std::vector<float> clicks(kRate * 20);
        for (double at = 0.137; at < 20; at += 60.0 / bpm) {
            const auto start = static_cast<size_t>(at * kRate);
            for (size_t i = 0; i < kRate / 100 && start + i < clicks.size(); ++i) {
                const double voice =
                    noisy ? 0.3 * random.gaussian() : 0.8 * std::sin(2 * M_PI * 1000.0 * i / kRate);
                clicks[start + i] = static_cast<float>(voice * std::exp(-double(i) / 60.0));
            }
        }
        EXPECT_NEAR(detectTempo(clicks), bpm, 0.002 * bpm) << (noisy ? "noise " : "tone ") << bpm;
    }
}

// Loud hits that keep no time may outnumber the beats; the beat is still found.
TEST(TempoDetector, HearsTheBeatUnderStrayHits) {
    struct Case {
        BeatStyle style;
        double bpm, level, longestGap;  // of the hits: peak against the track's, seconds
    } cases[] = {{BeatStyle::syncopatedKick, 97, 15, 0.4}, {BeatStyle::halfTime, 120, 10, 0.3}};
    for (const Case& c : cases) {
        const BeatTrackRecipe recipe{
            .bpm = c.bpm, .seconds = 60, .style = c.style, .bassline = true, .seed = 31};
        std::vector<float> track = beatTrack(recipe);
        drums::VoiceRandom random(5);
        for (double at = random.between(0, c.longestGap); at < recipe.seconds;
             at += random.between(0.1, c.longestGap)) {
            const auto start = static_cast<size_t>(at * kRate);
            for (size_t i = 0; i < kRate / 30 && start + i < track.size(); ++i) {
                track[start + i] +=
                    static_cast<float>(c.level * random.gaussian() * std::exp(-i / 400.0));
            }
        }
        EXPECT_NEAR(detectTempo(track), c.bpm, 0.01 * c.bpm) << styleName(c.style);
    }
}

// Neither the level, the blocks nor bad samples (silence to it) change the answer; the range
// asked for folds it; 8 s are enough; 12 min, past what it keeps, answer from the start.
TEST(TempoDetector, AnswerDependsOnNeitherLevelBlocksBadSamplesNorLength) {
    const std::vector<float> track = beatTrack({.bpm = 133, .seconds = 20, .seed = 13});
    const double inBigBlocks = detectTempo(track);
    EXPECT_NEAR(inBigBlocks, 133, 0.002 * 133);
    EXPECT_EQ(detectTempo(track, kRate, 0, 0, 1), inBigBlocks);
    EXPECT_NEAR(detectTempo(track, kRate, 200, 300), 266, 0.002 * 266);
    for (float gain : {1e-4f, 30.0f}) {
        std::vector<float> scaled = track;
        for (float& s : scaled) s *= gain;
        EXPECT_NEAR(detectTempo(scaled), 133, 0.002 * 133) << "gain " << gain;
    }
    std::vector<float> damaged = track;
    std::fill_n(damaged.begin() + 5 * kRate, 2000, NAN);
    damaged[7 * kRate] = INFINITY;
    damaged[9 * kRate] = 1e30f;
    EXPECT_NEAR(detectTempo(damaged), 133, 0.002 * 133);
    TempoDetector detector(kRate);
    detector.process(track.data(), kRate);
    EXPECT_EQ(detector.tempo(), 0.0);  // one second: too little yet
    detector.process(track.data() + kRate, track.size() - kRate);
    EXPECT_EQ(detector.tempo(), inBigBlocks);
    EXPECT_EQ(detector.tempo(), inBigBlocks) << "asking twice changes nothing";

    EXPECT_NEAR(detectTempo(beatTrack({.bpm = 120, .seconds = 8, .seed = 12})), 120, 0.01 * 120);
    const std::vector<float> loop =
        beatTrack({.bpm = 125, .seconds = 24, .seed = 15});  // whole bars
    TempoDetector longRun(kRate);
    for (int i = 0; i < 30; ++i) longRun.process(loop.data(), loop.size());
    EXPECT_NEAR(longRun.tempo(), 125, 0.01 * 125);
}

}  // namespace
}  // namespace luma::test
