// Loop points, the fine loop-end steps, the 1-2 ms watch for the loop and
// the end of the track, and the position readout. The engine also holds
// the loop region, so the jump back happens at the exact sample; the
// watch's own check stays and covers what the engine leaves alone (a loop
// end at or before its start holds the deck at the start). Loop points set
// or moved by hand end a beat loop (frm_main_sync.cpp) and its lamp.
#include <utility>

#include "deck/channel_bytes.h"
#include "deck/frm_main.h"
#include "deck/lamp_colours.h"

namespace luma {

namespace {
constexpr uint32_t kPlayLooped = 4;
constexpr double kEndWindowSeconds = 0.1;  // subtracted in double, then rounded to single
const QString kNoPosition = "- - : - - , - - -";
}  // namespace

void FrmMain::syncLoop() {
    // The engine takes 32-bit loop points: a loop beyond them, late in a long
    // mix, is the watch's alone.
    const bool held =
        std::in_range<int32_t>(state.LoopStart) && std::in_range<int32_t>(state.LoopEnd);
    audio_->LUMA_ChannelSetLoop(state.Channel, held ? static_cast<int32_t>(state.LoopStart) : 0,
                                held ? static_cast<int32_t>(state.LoopEnd) : 0,
                                held && state.LoopOn != kFalse ? 1 : 0);
}

QString FrmMain::markLoopPoint(int64_t& point) {
    if (!audio_) return TimeText(-1);
    const int64_t position = quantized(channelPosition());
    QString text = TimeText(position);
    point = position;
    syncLoop();
    endBeatLoop();
    return text;
}

QString FrmMain::Lum_LoopStart() {
    return markLoopPoint(state.LoopStart);
}

QString FrmMain::Lum_LoopEnd() {
    return markLoopPoint(state.LoopEnd);
}

QString FrmMain::moveLoopEnd(int64_t bytes) {
    state.LoopEnd += bytes;
    if (audio_) syncLoop();
    endBeatLoop();
    return TimeText(state.LoopEnd);
}

QString FrmMain::Lum_FineDw(const int16_t& step) {
    return moveLoopEnd(-step);
}

QString FrmMain::Lum_FineUp(const int16_t& step) {
    return moveLoopEnd(step);
}

void FrmMain::cmdLooped_MouseDown() {
    if (state.LoopOn == kFalse) {
        if (audio_) SeekTo(*audio_, state.Channel, state.LoopStart);
        setSwitchLamp(cmdLooped, true);
        state.LoopOn = kTrue;
    } else {
        setSwitchLamp(cmdLooped, false);
        state.LoopOn = kFalse;
    }
    if (audio_) syncLoop();
    endBeatLoop();
}

void FrmMain::FXTimer2_Timer() {
    if (!audio_) return;
    const int64_t position = channelPosition();
    trkPosition->setValue(position);
    if (position >= state.LoopEnd && state.LoopOn != kFalse) {
        SeekTo(*audio_, state.Channel, state.LoopStart);
    }
    if (position == -1) return;
    const float length = BytesToSeconds(*audio_, state.Channel, trkPosition->max());
    const float heard = BytesToSeconds(*audio_, state.Channel, trkPosition->value());
    const bool atEnd = static_cast<float>(static_cast<double>(length) - kEndWindowSeconds) < heard;
    if (!atEnd || !cmdPause->isVisibleTo(this)) return;
    audio_->BASS_ChannelStop(state.Channel);
    SeekTo(*audio_, state.Channel, 0);
    cmdPause->setVisible(false);
    state.IsStopped = kTrue;
    if (chkRepeat->checkState() == Qt::Checked) {
        audio_->BASS_StreamPreBuf(state.Channel);
        audio_->BASS_StreamPlay(state.Channel, 0, kPlayLooped);
        cmdPause->setVisible(true);
        state.IsStopped = kFalse;
    }
}

void FrmMain::Timer1_Timer() {
    if (!audio_) return;
    const int64_t position = channelPosition();
    trkPosition->setValue(position);
    lblPosition->setText(position == -1 ? kNoPosition : TimeText(position));
}

}  // namespace luma
