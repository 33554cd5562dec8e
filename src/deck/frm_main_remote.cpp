// Remote control: MIDI messages run the deck's commands and move its
// controls as the mapping binds them (remote/midi_mapper.h), and a
// joystick's first two buttons jog.
#include <cmath>

#include "deck/frm_main.h"
#include "display/number_text.h"

namespace luma {

namespace {

constexpr int kRed = 255;
constexpr int kJoysticks = 5;
constexpr int16_t kNoButtons = 4;  // "no mask yet" in a press sequence

}  // namespace

void FrmMain::connectRemote() {
    connect(MIDIInput, &MidiInput::message, this, &FrmMain::MIDIInput_Message);
    connect(MIDIInput, &MidiInput::error, this, &FrmMain::MIDIInput_Error);
    connect(tmrDJControl, &DeckTimer::timer, this, &FrmMain::PollJoystick);
    // Lamps: a click shows at once, after its button's own handler (connected
    // earlier); what changes by itself (the end of the track, a sync the
    // engine locks or lets go) at the loop watch's next look.
    for (LumButton* button : findChildren<LumButton*>()) {
        connect(button, &LumButton::mouseDown, this, &FrmMain::showLamps);
    }
    connect(FXTimer2, &DeckTimer::timer, this, &FrmMain::showLamps);
}

void FrmMain::MIDIInput_Message() {
    optActivity->setChecked(true);
    // Restarted, not merely enabled: its tick puts the lamp out a full period
    // after the last message, not the first of a burst.
    tmrLED->setEnabled(false);
    tmrLED->setEnabled(true);
    MIDIInput->setDeviceIndex(state.MidiDevice);
    const MidiActions actions =
        midiMapper_.map(MIDIInput->status(), MIDIInput->data1(), MIDIInput->data2());
    for (DeckCommand command : actions.commands) {
        runCommand(command);
        if (command == DeckCommand::Quit) return;  // the end: not even the acknowledgement follows
    }
    for (const ControlMove& move : actions.moves) moveControl(move);
    showLamps();  // the activity lamp, for a message that runs no command
    MIDIInput->setDeviceIndex(state.MidiDevice);
    MIDIInput->act(MidiInput::Acknowledge);
}

void FrmMain::runCommand(DeckCommand command) {
    perform(command);
    showLamps();  // at once, not at the loop watch's next look
}

void FrmMain::perform(DeckCommand command) {
    switch (command) {
        case DeckCommand::PlayPause:
            return Lum_Pause();
        case DeckCommand::Stop:
            return midiStop();
        case DeckCommand::Cue:
            return Lum_CUE();
        case DeckCommand::CueSet:
            return Lum_CueSet();
        case DeckCommand::CuePlay:
            return Lum_CuePlay();
        case DeckCommand::LoopStart:
            return lblinfo(6)->setText(Lum_LoopStart());
        case DeckCommand::LoopEnd:
            return lblinfo(7)->setText(Lum_LoopEnd());
        case DeckCommand::Loop:
            return cmdLooped_MouseDown();
        case DeckCommand::FineDown:
            return lblinfo(7)->setText(Lum_FineDw(kFineStep));
        case DeckCommand::FineUp:
            return lblinfo(7)->setText(Lum_FineUp(kFineStep));
        case DeckCommand::PitchDown:
            return cmdPitchDw_MouseDown();
        case DeckCommand::PitchUp:
            return cmdPitchUp_MouseDown();
        case DeckCommand::PitchReset:
            vscPitch->setValue(0);
            return vscPitch_Scroll();
        case DeckCommand::JogBack:
            return Lum_TouchB2();
        case DeckCommand::JogForward:
            return Lum_TouchF2();
        case DeckCommand::JogEnd:
            return Lum_TouchUp();
        case DeckCommand::KillBass:
            return toggleKill(0);
        case DeckCommand::KillMid:
            return toggleKill(1);
        case DeckCommand::KillHigh:
            return toggleKill(2);
        case DeckCommand::Quit:
            return salir();
        case DeckCommand::Sync:
            return Lum_Sync();
        case DeckCommand::Quantize:
            return Lum_Quantize();
        case DeckCommand::KeyLock:
            return Lum_KeyLock();
        case DeckCommand::BeatLoop1:
        case DeckCommand::BeatLoop2:
        case DeckCommand::BeatLoop4:
        case DeckCommand::BeatLoop8:
        case DeckCommand::BeatLoop16:
            return Lum_BeatLoop(beatLoopBeats(command));
    }
}

void FrmMain::midiStop() {
    cmdStop->setDotColor(kRed);
    Lum_Stop();
}

void FrmMain::MIDIInput_Error() {
    fatalMessage("MIDI Error, check your hardware and configure lumatroneDJsystem again.",
                 "lumatroneDJsystem", kMessageCritical,
                 "the MIDI input failed (the controller unplugged, or its JACK server ended); "
                 "lumatrone-devices lists the MIDI inputs");
    salir();
}

void FrmMain::PollJoystick() {
    const double number = std::nearbyint(leadingNumber(txtJoyID->text()));
    if (!(number >= 0 && number < kJoysticks)) return;  // only joysticks 0 to 4 have a place
    const auto j = static_cast<size_t>(number);
    const auto b = static_cast<int16_t>(joysticks.buttons(static_cast<int>(j)));
    int16_t& first = state.JoyFirstButtons[j];
    int16_t& second = state.JoySecondButtons[j];
    if (b == 0) first = second = kNoButtons;
    if (b == state.JoyLastButtons[j]) return;
    if (b > 0) (first == kNoButtons ? first : second) = b;
    // A jog is only started: letting go of the buttons ends nothing.
    if (first == 1 && second == 3) {
        cmdBack->setBackColor(kRed);
        Lum_TouchB2();
    } else if (first == 3 && second == 1) {
        cmdForward->setBackColor(kRed);
        Lum_TouchF2();
    }
    state.JoyLastButtons[j] = b;
}

}  // namespace luma
