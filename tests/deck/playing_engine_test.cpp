// The deck's commands heard through the real engine: the loudness stays
// where the Gain slider puts it whatever else the deck sends. (Each command's
// calls are TransportTest's; what the engine makes of them, the engine's tests'.)
#include <functional>

#include "engine_deck_fixture.h"
#include "support/signal_measures.h"

namespace luma::test {
namespace {

constexpr int kRate = 44100;

// The level heard follows the Gain slider alone: pitch, balance, touch and
// loading the next track leave it where Gain puts it. (Balance -40 pans to
// the left, so the left side keeps its full level.)
TEST_F(EngineDeckTest, LoudnessFollowsTheGainSliderAlone) {
    startDeck();
    loadTone(1000.0, 10.0);  // amplitude 0.5
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

}  // namespace
}  // namespace luma::test
