// The deck's commands heard through the real engine: pitch, the loop seam,
// stop at the cue byte, the brake and an equaliser kill, measured in the
// rendered samples.
#include <cmath>
#include <functional>

#include "engine_deck_fixture.h"
#include "support/audio_files.h"
#include "support/signal_measures.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

constexpr int kRate = 44100;
constexpr int kBytesPerFrame = 4;

class PlayingTest : public EngineDeckTest {
  public:
    void loadTone(double hz) {
        startDeck();
        const QString crate = folder_ + "/crate";
        ASSERT_TRUE(writeWav16((crate + "/tone.wav").toStdString(), makeSine(hz, 10.0)));
        load(crate, "tone.wav");
        ASSERT_NE(deck->state.Channel, 0u);
    }
    int64_t heardByte() {
        return static_cast<int64_t>(deck->audio()->BASS_ChannelGetPosition(deck->state.Channel));
    }
    uint32_t rate() {
        uint32_t value = 0;
        deck->audio()->BASS_ChannelGetAttributes(deck->state.Channel, &value, nullptr, nullptr);
        return value;
    }
};

TEST_F(PlayingTest, PitchPlusEightPercentSoundsEightPercentHigher) {
    loadTone(1000.0);
    deck->vscPitch->setValue(-800);
    deck->vscPitch_Scroll();
    deck->Lum_Pause();
    render(kRate / 10);
    const std::vector<float> left = side(render(kRate / 2), 0);
    EXPECT_NEAR(fitSine(left.data(), left.size(), kRate, 1080.0).frequencyHz, 1080.0, 0.05);
}

TEST_F(PlayingTest, LoopPlaysSeamlesslyAndNeverPassesItsEnd) {
    loadTone(441.0);  // 100 frames a period: a 44-period loop joins without a step
    const int32_t start = kRate * kBytesPerFrame;
    const int32_t end = start + 4400 * kBytesPerFrame;
    deck->audio()->BASS_ChannelSetPosition(deck->state.Channel, start);
    deck->lblinfo(6)->setText(deck->Lum_LoopStart());
    deck->audio()->BASS_ChannelSetPosition(deck->state.Channel, end);
    deck->lblinfo(7)->setText(deck->Lum_LoopEnd());
    EXPECT_EQ(deck->lblinfo(7)->text(), "00:01,100");
    deck->cmdLooped_MouseDown();
    deck->Lum_Pause();
    std::vector<float> left;
    for (int period = 0; period < 200; ++period) {  // 11.6 s of 256-frame periods: 116 passes
        const std::vector<float> block = side(render(256), 0);
        left.insert(left.end(), block.begin(), block.end());
        deck->FXTimer2_Timer();
        const int64_t heard = heardByte();
        ASSERT_GE(heard, start);
        ASSERT_LT(heard, end);
    }
    // From the first seam on (playback starts with a short gain glide).
    left.erase(left.begin(), left.begin() + 4000);
    const SineFit fit = fitSine(left.data(), left.size(), kRate, 441.0);
    EXPECT_GT(fit.snrDb, 85.0);
    EXPECT_LE(largestStep(left), 2.0 * M_PI * 441.0 / kRate * fit.amplitude * 1.01);
}

TEST_F(PlayingTest, StopReturnsToTheCueByteAndTheBrakeSlidesOverTouchAmount) {
    loadTone(441.0);
    deck->Lum_Pause();
    render(12345);
    deck->Lum_CueSet();
    EXPECT_EQ(deck->state.CuePos, 12345 * kBytesPerFrame);
    render(5000);
    deck->Lum_Stop();
    EXPECT_EQ(heardByte(), 12345 * kBytesPerFrame);

    deck->state.TouchMode = 0;
    deck->Lum_Pause();
    deck->Lum_TouchB2();  // towards 10 Hz over 2500 ms
    render(kRate * 5 / 4);
    EXPECT_NEAR(rate(), (44100 + 10) / 2, 300) << "half-way after half the time";
    const std::vector<float> left = side(render(2048), 0);
    EXPECT_NEAR(fitSine(left.data(), left.size(), kRate, 220.0).frequencyHz, 220.0, 8.0);
    deck->Lum_TouchUp();
    EXPECT_EQ(rate(), 44100u);
}

// The level heard follows the Gain slider alone: pitch, balance, touch and
// loading the next track leave it where Gain puts it. (Balance -40 pans to
// the left, so the left side keeps its full level.)
TEST_F(PlayingTest, LoudnessFollowsTheGainSliderAlone) {
    loadTone(1000.0);  // amplitude 0.5
    deck->Lum_Pause();
    const auto heardPeak = [this] {
        render(kRate / 20);  // past every glide
        return peak(side(render(kRate / 10), 0));
    };
    const auto pitch = [this](int value) {
        deck->vscPitch->setValue(value);
        deck->vscPitch_Scroll();
    };
    const struct {
        const char* after;
        std::function<void()> action;
        double amplitude;
    } steps[] = {
        {"the load", [] {}, 0.25},
        {"a pitch move", [&] { pitch(-300); }, 0.25},
        {"a balance move", [this] { deck->hscEQ(1)->setValue(-40); }, 0.25},
        {"a touch", [this] { deck->Lum_TouchF2(), render(kRate / 10), deck->Lum_TouchUp(); }, 0.25},
        {"Gain to 80", [this] { deck->hscEQ(0)->setValue(80); }, 0.4},
        {"a pitch move after Gain", [&] { pitch(0); }, 0.4},
        {"the next load", [this] { load(folder_ + "/crate", "tone.wav"), deck->Lum_Pause(); }, 0.4},
    };
    for (const auto& step : steps) {
        step.action();
        EXPECT_NEAR(heardPeak(), step.amplitude, 0.005) << "after " << step.after;
    }
}

TEST_F(PlayingTest, RightButtonOnACaptionKillsItsBandBy15Decibels) {
    loadTone(3000.0);
    deck->Lum_Pause();
    render(kRate / 10);
    const double open = toneAmplitude(side(render(kRate / 5), 0), kRate, 3000.0);
    deck->lblEQR_MouseDown(1, 2);
    render(kRate / 10);  // past the filter's glide
    const double killed = toneAmplitude(side(render(kRate / 10), 0), kRate, 3000.0);
    EXPECT_NEAR(20.0 * std::log10(killed / open), -15.0, 1.0);
    deck->lblEQR_MouseUp(1, 2);
    render(kRate / 10);
    const double restored = toneAmplitude(side(render(kRate / 10), 0), kRate, 3000.0);
    EXPECT_NEAR(20.0 * std::log10(restored / open), 0.0, 0.1);
}

}  // namespace
}  // namespace luma::test
