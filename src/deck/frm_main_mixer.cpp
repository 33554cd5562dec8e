// The equaliser sliders, volume, balance and touch strength, and the one
// call that hands rate, volume and balance to the engine together.
#include <cmath>

#include "deck/frm_main.h"

namespace luma {

namespace {

constexpr int kEqReadoutFirst = 11;    // lblinfo(11..13) under the EQ sliders
constexpr int kMixerReadoutFirst = 8;  // lblinfo(8..10) beside the mixer sliders
constexpr int kSecondBassFilter = 3;
constexpr int kKilledGain = -150;  // -15 dB
constexpr int kLeftButton = 1, kRightButton = 2;

}  // namespace

void FrmMain::connectHandlers() {
    for (int i = 0; i < 3; ++i) {
        connect(vscEQ(i), &ScrollBar::change, this, [this, i] { vscEQ_Change(i); });
        connect(vscEQ(i), &ScrollBar::scroll, this, [this, i] { vscEQ_Scroll(i); });
        connect(hscEQ(i), &ScrollBar::change, this, [this, i] { hscEQ_Change(i); });
        connect(hscEQ(i), &ScrollBar::scroll, this, [this, i] { hscEQ_Scroll(i); });
    }
    for (int i = 0; i < 3; ++i) lblEQR(i)->installEventFilter(this);
    connect(filFile, &FileList::dblClick, this, &FrmMain::filFile_DblClick);
    connectTransport();
    connectDisplays();
}

void FrmMain::Lum_Equalize(int16_t band, int16_t value) {
    if (!audio_ || band < 0 || band >= static_cast<int16_t>(state.EqFX.size())) return;
    LUMA_PARAMEQ parameters{};
    audio_->BASS_FXGetParameters(state.EqFX[band], &parameters);
    parameters.gainDb = static_cast<float>(value) / 10.0f;
    audio_->BASS_FXSetParameters(state.EqFX[band], &parameters);
    // The bass acts through two identical filters.
    if (band == 0) audio_->BASS_FXSetParameters(state.EqFX[kSecondBassFilter], &parameters);
}

void FrmMain::vscEQ_Change(int index) {
    const int value = vscEQ(index)->value();
    lblinfo(index + kEqReadoutFirst)->setText(QString::number(value));
    Lum_Equalize(static_cast<int16_t>(index), static_cast<int16_t>(value));
}

void FrmMain::vscEQ_Scroll(int index) {
    vscEQ_Change(index);
}

void FrmMain::hscEQ_Change(int index) {
    const int value = hscEQ(index)->value();
    lblinfo(index + kMixerReadoutFirst)->setText(QString::number(value));
    switch (index) {
        case 0:
            state.VolumePos = static_cast<int16_t>(value);
            if (audio_)
                audio_->BASS_SetGlobalVolumes(state.VolumePos, state.VolumePos, state.VolumePos);
            break;
        case 1:
            state.BalancePos = static_cast<int16_t>(value);
            ApplyPitch();
            break;
        case 2:
            state.TouchAmount = static_cast<int16_t>(value);
            break;
        default:
            break;
    }
}

void FrmMain::hscEQ_Scroll(int index) {
    const int value = hscEQ(index)->value();
    lblinfo(index + kMixerReadoutFirst)->setText(QString::number(value));
    if (index == 0 && audio_) audio_->BASS_SetGlobalVolumes(value, value, value);
    if (index == 1) ApplyPitch();
}

void FrmMain::lblEQR_MouseDown(int index, int button) {
    if (index < 0 || index > 2) return;
    ScrollBar* slider = vscEQ(index);
    if (button == kRightButton) {
        state.EqSaved[index] = slider->value();
        slider->setValue(kKilledGain);
    } else if (button == kLeftButton) {
        slider->setValue(0);
    } else {
        return;
    }
    slider->update();
    vscEQ_Scroll(index);
}

void FrmMain::lblEQR_MouseUp(int index, int button) {
    if (index < 0 || index > 2 || button != kRightButton) return;
    vscEQ(index)->setValue(state.EqSaved[index]);
    vscEQ(index)->update();
    vscEQ_Scroll(index);
}

int32_t FrmMain::pitchedRate() const {
    const double base = state.BaseFreq;
    // Nearest, halves to even: the default rounding mode.
    return static_cast<int32_t>(
        std::nearbyint(-static_cast<double>(vscPitch->value()) / 10000.0 * base + base));
}

void FrmMain::ApplyPitch() {
    const int32_t rate = pitchedRate();
    lblBPM->setText(QString::number(rate));
    if (!audio_) return;
    audio_->BASS_ChannelSlideAttributes(state.Channel, rate, hscEQ(0)->value(), hscEQ(1)->value(),
                                        0);
}

}  // namespace luma
