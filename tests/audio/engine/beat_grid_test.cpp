// The beat grid a played channel learns in the background: drum tracks to 0.01 % and 5 ms at
// every beat; none without a steady beat; channels freed while being measured.
#include <chrono>
#include <thread>

#include "drums/beat_tracks.h"
#include "support/engine_fixture.h"

namespace luma::test {
namespace {

using BeatGridTest = EngineTest;
using drums::BeatStyle;
using drums::BeatTrackRecipe;

TEST_F(BeatGridTest, SteadyTracksGetTheirGridOthersNoneAndFreedOnesStopMeasuring) {
    const BeatTrackRecipe steady[] = {
        {.bpm = 127.37, .seconds = 60, .seed = 3},
        {.bpm = 108.05, .seconds = 60, .style = BeatStyle::breakbeat, .snrDb = 12, .seed = 5},
        {.bpm = 174.62, .seconds = 45, .style = BeatStyle::drumAndBass, .seed = 6},
        {.bpm = 141.13, .seconds = 40, .style = BeatStyle::halfTime, .seed = 7, .rate = 48000},
    };
    // Without a steady beat: a held chord, and a beat that changes tempo half-way.
    const drums::BeatTrack chord = drums::renderTexture(drums::Texture::sawChord, 40, 1);
    Signal tempoChange{drums::renderBeatTrack({.bpm = 120, .seconds = 30}).samples};
    const std::vector<float> faster = drums::renderBeatTrack({.bpm = 127, .seconds = 30}).samples;
    tempoChange.samples.insert(tempoChange.samples.end(), faster.begin(), faster.end());
    const std::string changing = writeWav(tempoChange);
    const uint32_t unsteady[] = {
        openPlayable(writeWav({chord.samples, chord.channels, chord.rate})),
        openPlayable(changing),
    };
    // Freed while decoding, measuring or at the engine's end: nothing left running or leaked.
    for (int delayMs : {0, 5, 30, 80, 150}) {
        const uint32_t stream = BASS_StreamCreateFile(0, changing.c_str(), 0, 0, kPlayable);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        EXPECT_NE(BASS_StreamFree(stream), 0);
    }
    for (const BeatTrackRecipe& recipe : steady) {
        SCOPED_TRACE(recipe.bpm);
        drums::BeatTrack track = drums::renderBeatTrack(recipe);
        const uint32_t stream = openPlayable(writeWav({track.samples, track.channels, track.rate}));
        double bpm = 0, first = 0;
        float confidence = 0;
        ASSERT_TRUE(waitForGrid(stream, &bpm, &first, &confidence));
        EXPECT_NEAR(bpm, recipe.bpm, 1e-4 * recipe.bpm);
        EXPECT_GE(first, 0.0);
        EXPECT_LT(first, 60.0 / bpm);
        EXPECT_GT(confidence, 0.5f);
        // The beats the hits are humanised around, each against the grid's nearest.
        double worst = 0;
        for (double t = track.firstBeatSeconds; t < recipe.seconds; t += 60.0 / recipe.bpm) {
            const double n = std::round((t - first) * bpm / 60.0);
            worst = std::max(worst, std::abs(t - first - n * 60.0 / bpm));
        }
        EXPECT_LT(worst, 0.005);
        EXPECT_NE(BASS_StreamFree(stream), 0);
    }
    // Measured beside the others, so long finished by now.
    for (uint32_t stream : unsteady) {
        EXPECT_EQ(LUMA_ChannelGetBeatGrid(stream, nullptr, nullptr, nullptr), 0);
    }
    ASSERT_NE(BASS_StreamCreateFile(0, changing.c_str(), 0, 0, kPlayable), 0u);  // to BASS_Free
}

}  // namespace
}  // namespace luma::test
