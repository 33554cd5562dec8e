// Sync and the strip's buttons. Sync is the engine's: the deck asks for it,
// shows what the engine answers (locked, or refused: no grid, or the
// session's tempo beyond the pitch range) and proposes the session tempo
// when its pitch fader moves.
#include "deck/frm_main.h"
#include "deck/lamp_colours.h"
#include "deck/tempo_text.h"

namespace luma {

namespace {

constexpr int kLampLocked = 0x00C000, kLampLockedOver = 0x00FF00;  // green
// A refused sync blinks red and orange at the poll's pace: neither is the
// dark red of a lamp that is off.
constexpr int kLampRefused = 0x0000FF, kLampRefusedBlink = 0x0080FF;
// The poll runs every 200 ms; a sync the engine let go of is asked for again
// every fifth one, so a grid measured after the load still locks.
constexpr int kRetryPolls = 5;

QString refusalText(int32_t state) {
    switch (state) {
        case LUMA_SYNC_NO_GRID:
            return "Sync refused: the track has no beat grid (yet)";
        case LUMA_SYNC_OUT_OF_RANGE:
            return "Sync refused: the session tempo is beyond the pitch range";
        default:
            return "Sync refused";
    }
}

}  // namespace

void FrmMain::connectSync() {
    // The strip's lamps start dark, whatever the design gives them.
    showSync();
    setSwitchLamp(cmdQuantize, false);
    setSwitchLamp(cmdKeyLock, false);
    for (int beats : kBeatLoopSizes) setSwitchLamp(cmdBeatLoop(beats), false);
    connect(cmdSync, &LumButton::mouseDown, this, &FrmMain::Lum_Sync);
    connect(cmdQuantize, &LumButton::mouseDown, this, &FrmMain::Lum_Quantize);
    connect(cmdKeyLock, &LumButton::mouseDown, this, &FrmMain::Lum_KeyLock);
    for (int beats : kBeatLoopSizes) {
        connect(cmdBeatLoop(beats), &LumButton::mouseDown, this,
                [this, beats] { Lum_BeatLoop(beats); });
    }
}

void FrmMain::Lum_Sync() {
    state.SyncOn = !state.SyncOn;
    askForSync(state.SyncOn);
}

void FrmMain::askForSync(bool on) {
    syncRetryTicks_ = 0;
    if (audio_ && state.Channel != 0) {
        state.SyncState = audio_->LUMA_ChannelSetSync(state.Channel, on ? 1 : 0);
        if (on && state.SyncState == LUMA_SYNC_LOCKED) {
            audio_->LUMA_ChannelGetSync(state.Channel, &state.SessionBpm, nullptr);
        }
    } else {
        // No track yet: asked for, and waiting for a grid to lock to.
        state.SyncState = on ? LUMA_SYNC_NO_GRID : LUMA_SYNC_OFF;
    }
    if (!on) state.SyncState = LUMA_SYNC_OFF;
    showSync();
}

void FrmMain::pollSync() {
    if (!state.SyncOn) return;  // off: the engine hears nothing of sync
    syncBlink_ = !syncBlink_;
    if (audio_ && state.Channel != 0) {
        double session = 0.0;
        const int32_t now = audio_->LUMA_ChannelGetSync(state.Channel, &session, nullptr);
        if (now != LUMA_SYNC_OFF) {
            state.SyncState = now;
            state.SessionBpm = session;
        } else if (state.SyncState == LUMA_SYNC_LOCKED || ++syncRetryTicks_ >= kRetryPolls) {
            askForSync(true);  // the engine holds no request: ask again
            return;
        }
    }
    showSync();
}

void FrmMain::showSync() {
    const bool locked = state.SyncOn && state.SyncState == LUMA_SYNC_LOCKED;
    if (!state.SyncOn) {
        cmdSync->setDotColor(kLampOff);
        cmdSync->setOverColor(kLampOffOver);
        cmdSync->setToolTip("Sync off");
    } else if (locked) {
        cmdSync->setDotColor(kLampLocked);
        cmdSync->setOverColor(kLampLockedOver);
        cmdSync->setToolTip("Synced to the session");
    } else {
        cmdSync->setDotColor(syncBlink_ ? kLampRefusedBlink : kLampRefused);
        cmdSync->setOverColor(kLampRefused);
        cmdSync->setToolTip(refusalText(state.SyncState));
    }
    if (locked) {
        if (!showingSessionTempo_) ownTempoText_ = lblBPMs->text();
        showingSessionTempo_ = true;
        lblBPMs->setText(tempoText(state.SessionBpm));
    } else if (showingSessionTempo_) {
        showingSessionTempo_ = false;
        lblBPMs->setText(ownTempoText_);
    }
}

QString FrmMain::ownTempoText() const {
    return showingSessionTempo_ ? ownTempoText_ : lblBPMs->text();
}

void FrmMain::setOwnTempoText(const QString& text) {
    if (showingSessionTempo_) {
        ownTempoText_ = text;
    } else {
        lblBPMs->setText(text);
    }
}

void FrmMain::proposeSyncTempo() {
    if (!audio_ || !state.SyncOn || state.SyncState != LUMA_SYNC_LOCKED) return;
    const auto grid = beatGrid();
    if (!grid) return;
    // The track's tempo at the rate the fader has just set: the engine takes
    // it as the reference its bends count from, and applies the multiple
    // (x1/2, x1, x2) the session plays the track at itself.
    const double rate = static_cast<double>(pitchedRate()) / state.BaseFreq;
    audio_->LUMA_ChannelSetSyncTempo(state.Channel, grid->bpm * rate);
}

}  // namespace luma
