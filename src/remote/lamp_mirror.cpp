#include "remote/lamp_mirror.h"

namespace luma {

namespace {

constexpr unsigned char kControlChange = 0xB0, kNoteOn = 0x90;
constexpr unsigned char kLit = 127, kDark = 0;

bool sendable(const MidiAddress& address) {
    return address.channel >= 1 && address.channel <= 16 && address.number >= 0 &&
           address.number <= 127;
}

}  // namespace

LampMirror::LampMirror(const std::vector<LampBinding>& bindings, Send send)
    : send_(std::move(send)) {
    for (const LampBinding& binding : bindings) {
        if (sendable(binding.address)) bindings_.push_back(binding);
    }
}

void LampMirror::sendLamp(const LampBinding& binding, bool lit) {
    const MidiAddress& to = binding.address;
    // A note's lamp goes dark with a note on of velocity 0, as controllers
    // take it; a note off would be read as "released" by some.
    const unsigned char kind = to.kind == MidiKind::Note ? kNoteOn : kControlChange;
    send_(static_cast<unsigned char>(kind | (to.channel - 1)),
          static_cast<unsigned char>(to.number), lit ? kLit : kDark);
}

void LampMirror::lightUp(const LampStates& states) {
    for (const LampBinding& binding : bindings_) sendLamp(binding, states[binding.lamp]);
    shown_ = states;
    anyShown_ = true;
}

void LampMirror::show(const LampStates& states) {
    if (!anyShown_) return lightUp(states);
    if (states == shown_) return;
    for (const LampBinding& binding : bindings_) {
        if (states[binding.lamp] != shown_[binding.lamp]) sendLamp(binding, states[binding.lamp]);
    }
    shown_ = states;
}

void LampMirror::darken() {
    lightUp(LampStates{});
}

}  // namespace luma
