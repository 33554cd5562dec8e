// Pitch (the playback rate against the track's own, +-16 % in 0.01 %
// steps; no time-stretching) and touch: "<<" and ">>" bend the rate while
// held, or nudge the cue point while the CUE repeat is on.
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "deck/channel_bytes.h"
#include "deck/frm_main.h"

namespace luma {

namespace {

constexpr int kLampPressed = 0xFF, kLampAtRest = 0x80;
constexpr int kBrakeRate = 10;
constexpr int kSpinUpRate = 100000;
const QString kNotDetected = "Not Detected";

// The number a text starts with, as a lenient reader of numbers takes it
// ("124", "129.6 BPM"); 0 when there is none.
double leadingNumber(const QString& text) {
    static const QRegularExpression number(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

// "000.000": at least three whole digits and three decimals.
QString tempoText(double bpm) {
    const QLocale locale;
    QString text = locale.toString(std::fabs(bpm), 'f', 3);
    text.remove(locale.groupSeparator());
    const int whole = static_cast<int>(text.indexOf(locale.decimalPoint()));
    if (whole < 3) text.prepend(QString(3 - whole, '0'));
    return bpm < 0 && std::round(bpm * 1000.0) != 0.0 ? "-" + text : text;
}

}  // namespace

void FrmMain::vscPitch_Scroll() {
    const int pitch = -vscPitch->value();  // hundredths of a percent
    ApplyPitch();
    lblBPM->setText(QLocale().toString(pitch / 100.0, 'g', 15) + " %");
    if (lblBPMs->text() != kNotDetected) {
        const double detected = leadingNumber(lblOrigBPM->text());
        lblBPMs->setText(tempoText(detected * (1.0 + pitch / 10000.0)));
    }
}

void FrmMain::cmdPitchDw_MouseDown() {
    vscPitch->setValue(vscPitch->value() - 1);  // the slider holds it within its range
    vscPitch_Scroll();
}

void FrmMain::cmdPitchUp_MouseDown() {
    vscPitch->setValue(vscPitch->value() + 1);
    vscPitch_Scroll();
}

void FrmMain::beginTouch(LumButton* lamp) {
    lamp->setDotColor(kLampPressed);
    state.TouchPitch = vscPitch->value();
    uint32_t rate = 0;
    if (audio_ && audio_->BASS_ChannelGetAttributes(state.Channel, &rate, nullptr, nullptr)) {
        state.TouchFreq = static_cast<int32_t>(rate);
    }
}

void FrmMain::Lum_TouchB2() {
    if (state.CueActive != kFalse) {
        state.CuePos = static_cast<int32_t>(static_cast<uint32_t>(state.CuePos) -
                                            static_cast<uint32_t>(state.TouchAmount));
        if (audio_) SeekTo(*audio_, state.Channel, state.CuePos);
        return;
    }
    beginTouch(cmdBack);
    if (!audio_) return;
    if (state.TouchMode == 1) {
        audio_->BASS_ChannelSlideAttributes(state.Channel, state.TouchFreq - state.TouchAmount,
                                            state.VolumePos, state.BalancePos, 0);
    } else {
        audio_->BASS_ChannelSlideAttributes(state.Channel, kBrakeRate, state.VolumePos,
                                            state.BalancePos,
                                            static_cast<uint32_t>(state.TouchAmount));
    }
}

void FrmMain::Lum_TouchF2() {
    if (state.CueActive != kFalse) {
        state.CuePos = static_cast<int32_t>(static_cast<uint32_t>(state.CuePos) +
                                            static_cast<uint32_t>(state.TouchAmount));
        if (audio_) SeekTo(*audio_, state.Channel, state.CuePos);
        return;
    }
    beginTouch(cmdForward);
    if (!audio_) return;
    if (state.TouchMode == 1) {
        audio_->BASS_ChannelSlideAttributes(state.Channel, state.TouchFreq + state.TouchAmount,
                                            state.VolumePos, state.BalancePos, 0);
    } else {
        audio_->BASS_ChannelSlideAttributes(state.Channel, kSpinUpRate, state.VolumePos,
                                            state.BalancePos,
                                            static_cast<uint32_t>(state.TouchAmount));
    }
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
