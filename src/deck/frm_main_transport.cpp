// Play, pause, stop and the cue point: one toggle behind the two stacked
// buttons (Pause in front while playing), and the CUE repeat that holds the
// first 75 ms after the cue point. Every command works with or without a
// track: the engine refuses calls on channel 0 and nothing else changes.
// With quantize on, Play starts and the cue point lands on the nearest beat.
#include <algorithm>

#include "deck/channel_bytes.h"
#include "deck/frm_main.h"
#include "deck/lamp_colours.h"

namespace luma {

int64_t FrmMain::channelPosition() {
    // A failed query (all ones) reads as -1.
    return static_cast<int64_t>(audio_->BASS_ChannelGetPosition(state.Channel));
}

int32_t FrmMain::cueFlush() const {
    // The cue byte as flush: non-zero exactly when the cue point is, however far it lies.
    return static_cast<int32_t>(std::clamp<int64_t>(state.CuePos, INT32_MIN, INT32_MAX));
}

void FrmMain::Lum_Pause() {
    if (!audio_) return;
    if (state.IsStopped == kFalse) {
        audio_->BASS_ChannelStop(state.Channel);
        cmdPause->setVisible(false);
        state.IsStopped = kTrue;
    } else {
        const int64_t position = state.QuantizeOn ? channelPosition() : -1;
        const int64_t start = quantized(position);
        if (start != position) SeekTo(*audio_, state.Channel, start);
        audio_->BASS_StreamPlay(state.Channel, cueFlush(), 0);
        cmdPause->setVisible(true);
        state.IsStopped = kFalse;
    }
}

void FrmMain::Lum_Stop() {
    if (!audio_) return;
    audio_->BASS_ChannelStop(state.Channel);
    SeekTo(*audio_, state.Channel, state.CuePos);
    cmdPause->setVisible(false);
    state.IsStopped = kTrue;
}

void FrmMain::Lum_CueSet() {
    if (!audio_) return;
    state.CuePos = quantized(channelPosition());
}

void FrmMain::Lum_CuePlay() {
    if (!audio_) return;
    audio_->BASS_StreamPlay(state.Channel, cueFlush(), 0);
    SeekTo(*audio_, state.Channel, state.CuePos);
}

void FrmMain::Lum_CUE() {
    if (!audio_) return;
    if (state.CueActive == kFalse) {
        setSwitchLamp(cmdCUE, true);
        state.CuePos = quantized(channelPosition());
        state.CueActive = kTrue;
        tmrCue->setEnabled(true);
    } else {
        setSwitchLamp(cmdCUE, false);
        SeekTo(*audio_, state.Channel, state.CuePos);
        tmrCue->setEnabled(false);
        state.CueActive = kFalse;
    }
}

void FrmMain::tmrCue_Timer() {
    if (audio_) SeekTo(*audio_, state.Channel, state.CuePos);
}

void FrmMain::trkPosition_Scroll() {
    if (audio_) SeekTo(*audio_, state.Channel, trkPosition->value());
}

}  // namespace luma
