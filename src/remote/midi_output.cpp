#include "remote/midi_output.h"

#include "remote/midi_ports.h"

namespace luma {

namespace {

// JACK names our client after this; JACK itself makes it unique per instance.
const char kClientName[] = "Lumatrone DJ lamps";

// The port's number in this client's own listing: the list may have changed
// since the one the back end was chosen from.
int findPort(RtMidiOut& out, const std::string& name) {
    const unsigned count = out.getPortCount();
    for (unsigned port = 0; port < count; ++port) {
        if (out.getPortName(port) == name) return static_cast<int>(port);
    }
    return -1;
}

}  // namespace

MidiOutput::MidiOutput(const std::string& portName) {
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    for (const MidiPort& port : listMidiPorts(MidiDirection::Output)) {
        if (port.name == portName) {
            api = port.api;
            break;
        }
    }
    if (api == RtMidi::UNSPECIFIED) {
        problem_ = "no MIDI output is named \"" + portName + "\"";
        return;
    }
    std::unique_ptr<RtMidiOut> out;
    opening_ = true;
    try {
        out = std::make_unique<RtMidiOut>(api, kClientName);
        out->setErrorCallback(&MidiOutput::onError, this);
        const int number = findPort(*out, portName);
        if (number < 0) {
            problem_ = "the MIDI output \"" + portName + "\" went away while it was opened";
        } else {
            out->openPort(static_cast<unsigned>(number), "lamps");
        }
    } catch (const std::exception& e) {
        problem_ = e.what();
    }
    opening_ = false;
    if (problem_.empty() && !(out && out->isPortOpen())) problem_ = "the port did not open";
    if (problem_.empty()) port_ = std::move(out);
}

MidiOutput::~MidiOutput() {
    if (!port_) return;
    try {
        port_->closePort();
    } catch (const std::exception&) {
        // closed either way
    }
}

void MidiOutput::send(unsigned char status, unsigned char data1, unsigned char data2) {
    if (!port_) return;
    const unsigned char message[3] = {status, data1, data2};
    try {
        port_->sendMessage(message, sizeof message);
    } catch (const std::exception&) {
        // A controller pulled out: the deck's MIDI input reports that; a lamp
        // that did not arrive changes nothing else.
    }
}

// Problems while opening say why it failed; later ones (a port gone) are
// left to the MIDI input, which watches the controller.
void MidiOutput::onError(RtMidiError::Type type, const std::string& text, void* self) {
    auto* output = static_cast<MidiOutput*>(self);
    if (type == RtMidiError::DEBUG_WARNING || !output->opening_) return;
    if (output->problem_.empty()) output->problem_ = text;
}

}  // namespace luma
