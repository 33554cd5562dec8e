// Remote control: control changes on MIDI channel 1 call the deck's
// commands (remote/midi_commands.cpp says which), and a joystick's first
// two buttons jog.
#include <cmath>

#include "deck/frm_main.h"
#include "display/number_text.h"
#include "remote/midi_commands.h"

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
}

void FrmMain::MIDIInput_Message() {
    optActivity->setChecked(true);
    // Restarted, not merely enabled: its tick puts the lamp out a full period
    // after the last message, not the first of a burst.
    tmrLED->setEnabled(false);
    tmrLED->setEnabled(true);
    MIDIInput->setDeviceIndex(state.MidiDevice);
    for (DeckCommand command :
         midiCommands(MIDIInput->status(), MIDIInput->data1(), MIDIInput->data2())) {
        runCommand(command);
        if (command == DeckCommand::Quit) return;  // the end: not even the acknowledgement follows
    }
    MIDIInput->setDeviceIndex(state.MidiDevice);
    MIDIInput->act(MidiInput::Acknowledge);
}

void FrmMain::runCommand(DeckCommand command) {
    switch (command) {
        case DeckCommand::PlayPause:
            return Lum_Pause();
        case DeckCommand::Stop:
            return midiStop();
        case DeckCommand::Cue:
            return Lum_CUE();
        case DeckCommand::JogBack:
            return Lum_TouchB2();
        case DeckCommand::JogForward:
            return Lum_TouchF2();
        case DeckCommand::JogEnd:
            return Lum_TouchUp();
        case DeckCommand::Quit:
            return salir();
        case DeckCommand::Sync:
            return Lum_Sync();
        case DeckCommand::Quantize:
            return Lum_Quantize();
        case DeckCommand::KeyLock:
            return Lum_KeyLock();
        default:
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
