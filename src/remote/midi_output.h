// A MIDI output to a controller, for its lamps: the port is found by its exact
// name among the MIDI outputs (remote/midi_ports.h), the names the deck's
// input and lumatrone-devices use. ALSA and JACK ports both go through
// RtMidi, whose sending never waits: a JACK port's messages leave at the
// server's next cycle. A port that cannot be opened leaves the output closed
// with problem() saying why; sending then does nothing. Nothing here throws.
#pragma once

#include <RtMidi.h>

#include <memory>
#include <string>

namespace luma {

class MidiOutput {
  public:
    explicit MidiOutput(const std::string& portName);
    ~MidiOutput();  // what was sent is delivered before the port closes
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;

    bool isOpen() const { return port_ != nullptr; }
    const std::string& problem() const { return problem_; }  // empty while open

    // One channel message of three bytes.
    void send(unsigned char status, unsigned char data1, unsigned char data2);

  private:
    static void onError(RtMidiError::Type type, const std::string& text, void* self);

    std::unique_ptr<RtMidiOut> port_;
    std::string problem_;
    bool opening_ = false;
};

}  // namespace luma
