// The controller's lamps mirror the deck's: play, the CUE repeat, the loop,
// sync, key lock, quantize and the MIDI activity lamp. A command (from the
// controller or a key) and a click show at once; the 2 ms loop watch looks
// for the rest, so a change the deck makes by itself reaches the controller
// within one tick.
#include "deck/frm_main.h"

namespace luma {

LampStates FrmMain::lampStates() const {
    LampStates states;
    states.set(Lamp::Play, state.IsStopped == kFalse);
    states.set(Lamp::Cue, state.CueActive != kFalse);
    states.set(Lamp::Loop, state.LoopOn != kFalse);
    // A sync the engine refused blinks at the poll's pace, as the deck's does.
    const bool locked = state.SyncState == LUMA_SYNC_LOCKED;
    states.set(Lamp::Sync, state.SyncOn && (locked || syncBlink_));
    states.set(Lamp::KeyLock, state.KeyLockOn);
    states.set(Lamp::Quantize, state.QuantizeOn);
    states.set(Lamp::Activity, optActivity->isChecked());
    return states;
}

void FrmMain::startLamps(const Mapping& mapping) {
    stopLamps();
    if (!mapping.lampPort || mapping.lamps.empty()) return;
    auto output = std::make_unique<MidiOutput>(*mapping.lampPort);
    if (!output->isOpen()) {
        // A box, not only a line: a deck started from the desktop has no
        // terminal, and lamps that stay dark without a word look like a broken
        // controller mid-set. It comes once, before the music; the deck plays on.
        const QString why = QString::fromStdString(output->problem());
        platform_.printError("lumatrone-deck " + commandLine_ + ": the lamps' MIDI output: " + why +
                             "; lumatrone-devices lists the MIDI outputs");
        platform_.message("The controller's lamps stay dark: " + why +
                              ".\nThe deck plays on; lumatrone-devices lists the MIDI outputs.",
                          "lumatroneDJsystem", kMessageOk, geometry());
        return;
    }
    MidiOutput* out = output.get();
    lampOutput_ = std::move(output);
    lampMirror_ = std::make_unique<LampMirror>(
        mapping.lamps, [out](unsigned char status, unsigned char data1, unsigned char data2) {
            out->send(status, data1, data2);
        });
    lampMirror_->lightUp(lampStates());
}

void FrmMain::showLamps() {
    if (lampMirror_) lampMirror_->show(lampStates());
}

void FrmMain::stopLamps() {
    if (lampMirror_) lampMirror_->darken();
    lampMirror_.reset();
    lampOutput_.reset();  // delivers the dark lamps before it closes
}

}  // namespace luma
