// The deck's meters and status displays: the level meter's three timers,
// the spectrum's tick and view switch, the processor load and the sync
// state, the activity
// lamp's timer and the file-name marquees.
#include "deck/frm_main.h"
#include "deck/lamp_colours.h"
#include "display/status_displays.h"

namespace luma {

void FrmMain::connectDisplays() {
    connect(FXTimer1, &DeckTimer::timer, this, &FrmMain::FXTimer1_Timer);
    connect(tmrVU, &DeckTimer::timer, this, &FrmMain::tmrVU_Timer);
    connect(tmrVUReset, &DeckTimer::timer, this, &FrmMain::tmrVUReset_Timer);
    connect(tmrSpectrum, &DeckTimer::timer, this, &FrmMain::tmrSpectrum_Timer);
    connect(pctSpectrum, &AnalyserBox::mouseDown, this, &FrmMain::pctSpectrum_MouseDown);
    connect(tmrCPU, &DeckTimer::timer, this, &FrmMain::tmrCPU_Timer);
    connect(tmrLED, &DeckTimer::timer, this, &FrmMain::tmrLED_Timer);
    connect(tmrScroll, &DeckTimer::timer, this, &FrmMain::tmrScroll_Timer);
    connect(tmrFilename, &DeckTimer::timer, this, &FrmMain::tmrFilename_Timer);
}

void FrmMain::FXTimer1_Timer() {
    const auto reading =
        audio_ ? static_cast<int32_t>(audio_->BASS_ChannelGetLevel(state.Channel)) : -1;
    if (vuMeter->level(reading, state.VuLeft, state.VuRight, state.VuPeakLeft, state.VuPeakRight)) {
        tmrVUReset->setEnabled(true);
    }
}

void FrmMain::tmrVU_Timer() {
    vuMeter->decay();
}

void FrmMain::tmrVUReset_Timer() {
    state.VuPeakLeft = 1;
    state.VuPeakRight = 1;
    tmrVUReset->setEnabled(false);
}

void FrmMain::tmrSpectrum_Timer() {
    modSpectrum.UpdateSpectrum(audio_.get(), state.Channel, *pctSpectrum);
}

void FrmMain::pctSpectrum_MouseDown() {
    modSpectrum.switchView();
    lblVU->setText(modSpectrum.SpecMode ? "Spectrum Analyzer" : "Oscilloscope");
    tmrSpectrum->setInterval(modSpectrum.periodMs());
}

void FrmMain::tmrCPU_Timer() {
    if (audio_) lblCPU->setText(cpuText(audio_->BASS_GetCPU()));
    pollSync();
    showLoudness();
}

void FrmMain::showLoudness() {
    // A track's pre-gain does not change once measured: ask the engine until then only.
    if (state.Channel != 0 && state.Channel == loudnessShownFor_) return;
    QString text;
    float gainDb = 0.0f;
    if (!evenLoudness_) {
        text = "LOUDNESS\noff";
    } else if (audio_ && state.Channel != 0 &&
               audio_->LUMA_ChannelGetLoudness(state.Channel, nullptr, nullptr, &gainDb) != 0) {
        text = QString("LOUDNESS\n%1 dB").arg(double(gainDb), 0, 'f', 1);
        if (gainDb >= 0.05f) text.replace("\n", "\n+");
        loudnessShownFor_ = state.Channel;
    } else {
        text = state.Channel != 0 ? "LOUDNESS\n..." : "LOUDNESS";
    }
    if (lblLoudness->text() != text) lblLoudness->setText(text);
}

void FrmMain::tmrLED_Timer() {
    optActivity->setChecked(false);
    tmrLED->setEnabled(false);
    for (LumButton* button : {cmdCUE, cmdForward, cmdBack, cmdPause, cmdPlay, cmdStop}) {
        button->setDotColor(kLampOff);
    }
    lblinfo(4)->setText("");
}

void FrmMain::tmrScroll_Timer() {
    scrollFileName(*lblFileName);
}

void FrmMain::tmrFilename_Timer() {
    creepFileName(*lblFileName, *pctSongInfo);
}

}  // namespace luma
