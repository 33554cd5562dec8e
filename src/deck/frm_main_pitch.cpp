// Pitch (the playback rate against the track's own, +-16 % in 0.01 %
// steps; no time-stretching) and touch: "<<" and ">>" bend the rate while
// held, or nudge the cue point while the CUE repeat is on.
#include <QLocale>
#include <cmath>

#include "deck/channel_bytes.h"
#include "deck/frm_main.h"
#include "deck/lamp_colours.h"
#include "deck/tempo_text.h"
#include "display/number_text.h"

namespace luma {

namespace {

constexpr int kBrakeRate = 10;
constexpr int kSpinUpRate = 100000;
const QString kNotDetected = "Not Detected";

}  // namespace

void FrmMain::vscPitch_Scroll() {
    const int pitch = -vscPitch->value();  // hundredths of a percent
    ApplyPitch();
    lblBPM->setText(QLocale().toString(pitch / 100.0, 'g', 15) + " %");
    if (ownTempoText() != kNotDetected) {
        const double detected = leadingNumber(lblOrigBPM->text());
        setOwnTempoText(tempoText(detected * (1.0 + pitch / 10000.0)));
    }
    proposeSyncTempo();
}

void FrmMain::cmdPitchDw_MouseDown() {
    vscPitch->setValue(vscPitch->value() - 1);  // the slider holds it within its range
    vscPitch_Scroll();
}

void FrmMain::cmdPitchUp_MouseDown() {
    vscPitch->setValue(vscPitch->value() + 1);
    vscPitch_Scroll();
}

// A press of "<<" (direction -1) or ">>" (+1): with CUE on the cue point
// moves by TouchAmount bytes; otherwise the rate bends by TouchAmount Hz
// (touch mode) or slides to `slideTarget` over TouchAmount ms.
void FrmMain::touch(int direction, LumButton* lamp, int32_t slideTarget) {
    if (state.CueActive != kFalse) {
        state.CuePos += direction * state.TouchAmount;
        if (audio_) SeekTo(*audio_, state.Channel, state.CuePos);
        return;
    }
    lamp->setDotColor(kLampPressed);
    state.TouchPitch = vscPitch->value();
    uint32_t rate = 0;
    if (!audio_) return;
    if (audio_->BASS_ChannelGetAttributes(state.Channel, &rate, nullptr, nullptr)) {
        state.TouchFreq = static_cast<int32_t>(rate);
    }
    if (state.TouchMode == 1) {
        audio_->BASS_ChannelSlideAttributes(state.Channel,
                                            state.TouchFreq + direction * state.TouchAmount,
                                            state.VolumePos, state.BalancePos, 0);
    } else {
        audio_->BASS_ChannelSlideAttributes(state.Channel, slideTarget, state.VolumePos,
                                            state.BalancePos,
                                            static_cast<uint32_t>(state.TouchAmount));
    }
}

void FrmMain::Lum_TouchB2() {
    touch(-1, cmdBack, kBrakeRate);
}

void FrmMain::Lum_TouchF2() {
    touch(+1, cmdForward, kSpinUpRate);
}

void FrmMain::Lum_TouchUp() {
    if (audio_) {
        audio_->BASS_ChannelSlideAttributes(state.Channel, state.TouchFreq, state.VolumePos,
                                            state.BalancePos, 0);
    }
    vscPitch->setValue(state.TouchPitch);
    cmdBack->setDotColor(kLampAtRest);
    cmdForward->setDotColor(kLampAtRest);
}

}  // namespace luma
