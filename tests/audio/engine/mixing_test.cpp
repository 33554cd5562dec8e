// What a channel sounds like on the way out: equaliser, volume, pan,
// global volume, and the level and spectrum readings of it.
#include <algorithm>
#include <cmath>

#include "support/engine_fixture.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

class MixingTest : public EngineTest {
  protected:
    uint32_t playSine(double hz, double amplitude = 0.5) {
        return play(writeWav(makeSine(hz, 6.0, 44100, 2, amplitude)));
    }
    // Gain in dB that `bands` equalisers set to `eq` add to a sine of `hz`,
    // quiet enough that a full boost stays below the output's limiter.
    double gainAt(double hz, LUMA_PARAMEQ eq, int bands = 1) {
        constexpr double kAmplitude = 0.1;
        const uint32_t stream = playSine(hz, kAmplitude);
        for (int i = 0; i < bands; ++i) {
            EXPECT_NE(BASS_FXSetParameters(BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ), &eq), 0);
        }
        render(8192);  // let filters and glides settle
        const double out = fitSine(side(render(44100), 0), 44100, hz).amplitude;
        BASS_StreamFree(stream);
        return 20.0 * std::log10(out / kAmplitude);
    }
};

// The response itself is the equaliser's own test; here: that the channel's
// effects reach it with their parameters, and that stacked ones add up.
TEST_F(MixingTest, PeakingEqGainAtCentreAnOctaveAwayAndStacked) {
    const LUMA_PARAMEQ boost{1000.0f, 12.0f, 12.0f};
    EXPECT_NEAR(gainAt(1000, boost), 12.0, 0.1);
    EXPECT_NEAR(gainAt(2000, boost), bellDb(2000, 1000, 12, 12, 44100), 0.5);
    EXPECT_NEAR(gainAt(8000, boost), 0.0, 0.5) << "far away the band leaves the signal alone";
    EXPECT_NEAR(gainAt(80, {80.0f, 36.0f, -15.0f}, 2), -30.0, 0.3)
        << "two identical filters add up";
}

TEST_F(MixingTest, EffectParametersAreClampedAndReadBack) {
    const uint32_t stream = playSine(440);
    const uint32_t fx = BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ);
    LUMA_PARAMEQ eq{};
    const LUMA_PARAMEQ wild{5.0f, 100.0f, 40.0f};
    ASSERT_NE(BASS_FXSetParameters(fx, &wild), 0);
    ASSERT_NE(BASS_FXGetParameters(fx, &eq), 0);
    EXPECT_EQ(eq.centerHz, 20.0f);
    EXPECT_EQ(eq.bandwidthSemitones, 36.0f);
    EXPECT_EQ(eq.gainDb, 15.0f);
    const LUMA_PARAMEQ broken{NAN, 12.0f, 0.0f};
    EXPECT_EQ(BASS_FXSetParameters(fx, &broken), 0);
    EXPECT_EQ(BASS_ChannelSetFX(stream, 3), 0u) << "only the peaking equaliser exists";
    for (int i = 1; i < 16; ++i) EXPECT_NE(BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ), 0u);
    EXPECT_EQ(BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ), 0u) << "sixteen at most";
}

// The level heard follows the global volume alone: the deck sends its one
// volume to the channel and the global volumes at different moments.
TEST_F(MixingTest, GlobalVolumeAloneSetsTheLevelAndPanIsABalance) {
    const uint32_t stream = playSine(1000);
    render(1024);
    ASSERT_NE(BASS_ChannelSlideAttributes(stream, -1, 50, -101, 0), 0);
    render(1024);
    std::vector<float> out = render(44100);
    EXPECT_NEAR(fitSine(side(out, 0), 44100, 1000).amplitude, 0.5, 0.002) << "channel volume";

    ASSERT_NE(BASS_SetGlobalVolumes(100, 100, 50), 0);
    render(1024);
    out = render(44100);
    EXPECT_NEAR(fitSine(side(out, 0), 44100, 1000).amplitude, 0.25, 0.002) << "global volume";

    ASSERT_NE(BASS_ChannelSlideAttributes(stream, -1, 100, -100, 0), 0);
    render(1024);
    out = render(44100);
    EXPECT_NEAR(fitSine(side(out, 0), 44100, 1000).amplitude, 0.25, 0.002) << "left at full";
    EXPECT_EQ(peak(side(out, 1)), 0.0) << "right silent";
}

TEST_F(MixingTest, VolumeChangesNeverStep) {
    playSine(50, 0.9);  // slow wave: any step would stand out
    render(1024);
    ASSERT_NE(BASS_SetGlobalVolumes(-1, -1, 0), 0);
    const std::vector<float> left = side(render(1024), 0);
    EXPECT_LT(largestStep(left), 0.02);
    EXPECT_EQ(peak(std::vector<float>(left.end() - 10, left.end())), 0.0);
}

// A damaged float file under equaliser boost: what leaves the engine stays
// finite and inside full scale, and the file's music still plays around its
// broken samples. (How the limiter holds a loud mix is its own test.)
TEST_F(MixingTest, OutputStaysFiniteAndInsideFullScale) {
    Signal damaged = makeSine(1000, 2.0, 44100, 2, 0.5);
    const float broken[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 3e38f};
    for (size_t i = 0; i < damaged.samples.size(); i += 997) damaged.samples[i] = broken[i % 6];
    const std::string path = (dir.path() / "damaged-float.wav").string();
    ASSERT_TRUE(writeSoundFile(path, damaged, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    const uint32_t stream = play(path);
    for (int i = 0; i < 3; ++i) BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ);
    const std::vector<float> out = render(44100);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
    EXPECT_LE(peak(out), 0.8911);
    // Its over-range samples became full scale, which the limiter then holds down.
    EXPECT_NEAR(fitSine(side(out, 0), 44100, 1000).amplitude, 0.45, 0.03);
}

// Both read what is heard: the level each side's peak, the spectrum a sine's
// amplitude in its bin; neither once the channel has stopped.
TEST_F(MixingTest, LevelAndSpectrumReadWhatIsHeard) {
    const double binHz = 44100.0 / 2048.0;
    const uint32_t stream = playSine(46 * binHz, 0.5);
    render(4096);
    const uint32_t level = BASS_ChannelGetLevel(stream);
    EXPECT_NEAR(level & 0xFFFF, 64, 1);
    EXPECT_NEAR(level >> 16, 64, 1);
    std::vector<float> magnitudes(1024, -1.0f);
    ASSERT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), LUMA_DATA_FFT2048), 4096u);
    const auto top = std::max_element(magnitudes.begin(), magnitudes.end()) - magnitudes.begin();
    EXPECT_EQ(top, 46);
    EXPECT_NEAR(magnitudes[46], 0.5, 0.01);
    EXPECT_LT(magnitudes[100], 1e-3);
    EXPECT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), LUMA_DATA_FFT512), 1024u);
    ASSERT_NE(BASS_ChannelSlideAttributes(stream, -1, -1, 100, 0), 0);
    render(4096);
    EXPECT_EQ(BASS_ChannelGetLevel(stream) & 0xFFFF, 0u) << "panned right";
    ASSERT_NE(BASS_ChannelStop(stream), 0);
    render(256);
    EXPECT_EQ(BASS_ChannelGetLevel(stream), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), LUMA_DATA_FFT2048), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace luma::test
