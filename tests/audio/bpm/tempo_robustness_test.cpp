// What the detector makes of awkward input: no beat at all, bad samples, too
// little or too much audio, and audio arriving in blocks of any size.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "detect.h"
#include "drums/drum_voices.h"
#include "support/beat_tracks.h"

namespace luma::test {
namespace {

constexpr int kRate = 44100;

std::vector<float> beatTrack(double bpm, double seconds, uint32_t seed) {
    return makeBeatTrack({.bpm = bpm, .seconds = seconds, .seed = seed, .channels = 1}).samples;
}

TEST(TempoDetector, FindsNoBeatWhereThereIsNone) {
    EXPECT_EQ(detectTempo(std::vector<float>(kRate * 20, 0.0f), kRate), 0.0) << "silence";
    EXPECT_EQ(detectTempo(monoOf(makeSine(440, 20, kRate, 1)), kRate), 0.0) << "tone";
    EXPECT_EQ(detectTempo(monoOf(makeSine(55, 20, kRate, 1)), kRate), 0.0) << "bass tone";
    for (uint32_t seed : {1u, 2u, 3u}) {
        drums::VoiceRandom random(seed);
        std::vector<float> noise(kRate * 20);
        for (float& s : noise) s = static_cast<float>(0.3 * random.gaussian());
        EXPECT_EQ(detectTempo(noise, kRate), 0.0) << "noise " << seed;
    }
}

// Loud hits that keep no time (clicks, crashes, a door) may outnumber the beats;
// the beat under them is still found.
TEST(TempoDetector, HearsTheBeatUnderStrayHits) {
    struct Case {
        BeatStyle style;
        double bpm, level, longestGap;  // of the hits: peak against the track's, seconds
    } cases[] = {{BeatStyle::syncopatedKick, 97, 15, 0.4}, {BeatStyle::halfTime, 120, 10, 0.3}};
    for (const Case& c : cases) {
        const BeatTrackRecipe recipe{.bpm = c.bpm,
                                     .seconds = 60,
                                     .style = c.style,
                                     .bassline = true,
                                     .seed = 31,
                                     .channels = 1};
        std::vector<float> track = makeBeatTrack(recipe).samples;
        drums::VoiceRandom random(5);
        for (double at = random.between(0, c.longestGap); at < recipe.seconds;
             at += random.between(0.1, c.longestGap)) {
            const auto start = static_cast<size_t>(at * kRate);
            for (size_t i = 0; i < kRate / 30 && start + i < track.size(); ++i) {
                track[start + i] +=
                    static_cast<float>(c.level * random.gaussian() * std::exp(-i / 400.0));
            }
        }
        EXPECT_NEAR(detectTempo(track, kRate), c.bpm, 0.01 * c.bpm) << styleName(c.style);
    }
}

TEST(TempoDetector, TreatsBadSamplesAsSilence) {
    std::vector<float> track = beatTrack(126, 20, 11);
    for (size_t i = 5 * kRate; i < 5 * kRate + 2000; ++i) {
        track[i] = std::numeric_limits<float>::quiet_NaN();
    }
    track[7 * kRate] = std::numeric_limits<float>::infinity();
    track[8 * kRate] = -std::numeric_limits<float>::infinity();
    track[9 * kRate] = 1e30f;
    EXPECT_NEAR(detectTempo(track, kRate), 126, 0.002 * 126);

    std::vector<float> nothingButNaN(kRate * 10, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(detectTempo(nothingButNaN, kRate), 0.0);
}

// (One second is too little: checked between blocks below.)
TEST(TempoDetector, NeedsAFewSecondsOfAudio) {
    const std::vector<float> track = beatTrack(120, 8, 12);
    EXPECT_EQ(detectTempo(std::vector<float>{}, kRate), 0.0);
    EXPECT_NEAR(detectTempo(track, kRate), 120, 0.01 * 120);

    TempoDetector detector(kRate);
    detector.process(nullptr, 100);
    EXPECT_EQ(detector.tempo(), 0.0);
}

// Asked between blocks of any size, the detector answers as if fed at once.
TEST(TempoDetector, AnswerDoesNotDependOnTheBlocks) {
    const std::vector<float> track = beatTrack(133, 20, 13);
    const double inBigBlocks = detectTempo(track, kRate, 0, 0, 4096);
    EXPECT_NEAR(inBigBlocks, 133, 0.002 * 133);
    EXPECT_EQ(detectTempo(track, kRate, 0, 0, 1), inBigBlocks);
    EXPECT_EQ(detectTempo(track, kRate, 0, 0, 1000), inBigBlocks);
    TempoDetector detector(kRate);
    detector.process(track.data(), kRate);
    EXPECT_EQ(detector.tempo(), 0.0);  // one second: too little yet
    detector.process(track.data() + kRate, track.size() - kRate);
    EXPECT_EQ(detector.tempo(), inBigBlocks);
    EXPECT_EQ(detector.tempo(), inBigBlocks);
}

// Twelve minutes, past what the detector keeps: it still answers, from the start.
TEST(TempoDetector, CopesWithVeryLongInput) {
    const std::vector<float> loop = beatTrack(125, 24, 15);  // a whole number of bars
    TempoDetector detector(kRate);
    for (int i = 0; i < 30; ++i) detector.process(loop.data(), loop.size());
    EXPECT_NEAR(detector.tempo(), 125, 0.01 * 125);
}

}  // namespace
}  // namespace luma::test
