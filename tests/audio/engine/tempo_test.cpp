// Tempo detection through the C interface: the tempo of a decode-only
// channel, its progress reports, the figures derived from it and what the
// two release calls free.
#include <cmath>

#include "drums/beat_tracks.h"
#include "support/engine_fixture.h"

namespace luma::test {
namespace {

std::vector<float> reports;

using TempoTest = EngineTest;

TEST_F(TempoTest, DetectsTheTempoOfADecodeOnlyStreamAndReportsProgress) {
    drums::BeatTrack track = drums::renderBeatTrack({.bpm = 128.0, .seconds = 40.0});
    const std::string path = writeWav({std::move(track.samples), track.channels, track.rate});
    const uint32_t decoder = BASS_StreamCreateFile(0, path.c_str(), 0, 0, LUMA_STREAM_DECODE);
    ASSERT_NE(decoder, 0u);
    reports.clear();
    // The span reaches past the end: the file is analysed to its end.
    const float bpm = BASS_FX_BPM_DecodeGet(
        decoder, 0.0f, 90.0f, 0, 3, [](uint32_t, float percent) { reports.push_back(percent); });
    EXPECT_NEAR(bpm, 128.0, 128.0 * 0.01);
    ASSERT_GE(reports.size(), 50u);
    EXPECT_EQ(reports.front(), 0.0f);
    EXPECT_EQ(reports.back(), 100.0f);
    for (size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GT(std::floor(reports[i]), std::floor(reports[i - 1])) << "each percent once";
    }

    // What the deck shows: two decimals of this, times -100.
    EXPECT_FLOAT_EQ(BASS_FX_BPM_Percents2BPM(decoder, 0.0f), -bpm / 100.0f);
    EXPECT_FLOAT_EQ(BASS_FX_BPM_Percents2BPM(decoder, 8.0f), -bpm * 1.08f / 100.0f);
    EXPECT_EQ(BASS_FX_TempoGetApproxPercents(0), 0.0f);

    // Releasing the detection frees the decode-only stream with it.
    EXPECT_NE(BASS_FX_BPM_Free(decoder), 0);
    EXPECT_EQ(BASS_StreamGetLength(decoder), UINT64_MAX);
    EXPECT_EQ(BASS_FX_BPM_Percents2BPM(decoder, 0.0f), 0.0f);
    EXPECT_EQ(BASS_FX_BPM_Free(decoder), 0);
}

TEST_F(TempoTest, SpansAndHandlesThatHoldNoTempoAndPlayedChannelsTempoChange) {
    drums::BeatTrack track = drums::renderBeatTrack({.bpm = 100.0, .seconds = 12.0});
    const std::string path = writeWav({std::move(track.samples), track.channels, track.rate});
    const uint32_t decoder = BASS_StreamCreateFile(0, path.c_str(), 0, 0, LUMA_STREAM_DECODE);
    EXPECT_EQ(BASS_FX_BPM_DecodeGet(decoder, 20.0f, 90.0f, 0, 3, nullptr), 0.0f) << "past the end";
    EXPECT_EQ(BASS_FX_BPM_DecodeGet(decoder, 5.0f, 5.0f, 0, 3, nullptr), 0.0f) << "empty span";
    EXPECT_EQ(BASS_FX_BPM_DecodeGet(decoder, 2.0f, NAN, 0, 3, nullptr), 0.0f);
    EXPECT_EQ(BASS_FX_BPM_DecodeGet(0, 0.0f, 90.0f, 0, 3, nullptr), 0.0f);
    EXPECT_EQ(BASS_FX_BPM_Percents2BPM(0, 0.0f), 0.0f);

    const uint32_t played = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    EXPECT_EQ(BASS_FX_BPM_DecodeGet(played, 0.0f, 90.0f, 0, 3, nullptr), 0.0f) << "played channel";
    EXPECT_EQ(BASS_FX_TempoFree(decoder), 0) << "decode-only channels are no tempo streams";
    EXPECT_NE(BASS_StreamFree(decoder), 0);

    // A played channel reports its tempo change and frees as a tempo stream.
    ASSERT_NE(played, 0u);
    EXPECT_EQ(BASS_FX_TempoGetApproxPercents(played), 0.0f);
    ASSERT_NE(BASS_ChannelSlideAttributes(played, 47628, -1, -101, 0), 0);
    EXPECT_NEAR(BASS_FX_TempoGetApproxPercents(played), 8.0f, 1e-4f);
    EXPECT_NE(BASS_FX_TempoFree(played), 0);
    EXPECT_EQ(BASS_StreamGetLength(played), UINT64_MAX);
    EXPECT_EQ(BASS_FX_TempoFree(played), 0);
}

}  // namespace
}  // namespace luma::test
