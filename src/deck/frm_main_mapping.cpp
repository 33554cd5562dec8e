// The mapping's side of the deck: its problems shown once at start-up, and
// the controller's faders, knobs and jog wheel moving the deck's sliders.
#include <algorithm>
#include <cmath>

#include "deck/channel_bytes.h"
#include "deck/deck_mapping.h"
#include "deck/frm_main.h"

namespace luma {

namespace {

constexpr int kPitchRange = 1600;  // hundredths of a percent either way
constexpr int kEqRange = 150;      // tenths of a dB either way
constexpr int kKilledGain = -150;
constexpr int kGainLow = 0, kGainCentre = 50, kGainHigh = 100;
constexpr int kBalanceRange = 100;  // -100 the left alone, 100 the right

// A control's place (-1 to 1) on a slider whose centre need not lie halfway.
int scaled(double position, int low, int centre, int high) {
    const double span = position < 0 ? centre - low : high - centre;
    return static_cast<int>(std::lround(centre + position * span));
}

}  // namespace

void FrmMain::reportMappingProblems() {
    const QStringList lines = problemLines(mapping_);
    if (lines.isEmpty()) return;
    for (const QString& line : lines) platform_.printError("lumatrone-deck: " + line);
    // Not fatal: the deck runs with the lines that did read.
    platform_.message("These mapping lines were skipped:\n" + lines.join('\n'), "Mapping",
                      kMessageOk, geometry());
}

void FrmMain::moveControl(const ControlMove& move) {
    const double at = move.position;
    switch (move.control) {
        case DeckControl::Pitch:
            // The slider's top is its lowest value: the rate's sign turned.
            vscPitch->setValue(-scaled(at, -kPitchRange, 0, kPitchRange));
            return vscPitch_Scroll();
        case DeckControl::Gain:
            // A bar's set value runs its change handler, as a click on the bar does.
            return hscEQ(0)->setValue(scaled(at, kGainLow, kGainCentre, kGainHigh));
        case DeckControl::Balance:
            return hscEQ(1)->setValue(scaled(at, -kBalanceRange, 0, kBalanceRange));
        case DeckControl::EqBass:
        case DeckControl::EqMid:
        case DeckControl::EqHigh: {
            const int band = static_cast<int>(move.control) - static_cast<int>(DeckControl::EqBass);
            return vscEQ(band)->setValue(scaled(at, -kEqRange, 0, kEqRange));
        }
        case DeckControl::Jog:
            return jog(move.ticks);
    }
}

// A jog wheel's tick moves by the touch strength (hscEQ(2), in bytes) as
// "<<" and ">>" do the cue point: the cue point while CUE repeats, the
// playing position otherwise.
void FrmMain::jog(int ticks) {
    if (!audio_) return;
    const int64_t step = static_cast<int64_t>(ticks) * state.TouchAmount;
    if (state.CueActive != kFalse) {
        state.CuePos = std::max<int64_t>(0, state.CuePos + step);
        SeekTo(*audio_, state.Channel, state.CuePos);
        return;
    }
    const int64_t position = channelPosition();
    if (position < 0) return;  // no track
    SeekTo(*audio_, state.Channel, std::max<int64_t>(0, position + step));
}

// A kill button cuts its band to the killed gain and, pressed again, brings
// back what the band had, as a right click on the band's label does while held.
void FrmMain::toggleKill(int band) {
    ScrollBar* slider = vscEQ(band);
    if (slider->value() == kKilledGain) {
        slider->setValue(state.EqSaved[band] == kKilledGain ? 0 : state.EqSaved[band]);
    } else {
        state.EqSaved[band] = slider->value();
        slider->setValue(kKilledGain);
    }
}

}  // namespace luma
