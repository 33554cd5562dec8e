#include "remote/midi_ports.h"

#include <jack/jack.h>
#include <unistd.h>

namespace luma {

namespace {

// JACK names the probing client after this; JACK itself makes it unique.
const char kProbeName[] = "Lumatrone DJ";

void ignoreJackMessage(const char*) {}

// RtMidi's JACK back end prints "JACK server not running?" from its
// constructor, before an error callback can be set, and libjack adds its own
// lines: on a machine without a JACK server, ask JACK quietly first.
bool jackServerRunning() {
    jack_set_error_function(ignoreJackMessage);
    jack_set_info_function(ignoreJackMessage);
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("Lumatrone probe", JackNoStartServer, &status);
    if (probe == nullptr) return false;
    jack_client_close(probe);
    return true;
}

std::vector<RtMidi::Api> backEnds() {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    auto has = [&](RtMidi::Api api) {
        for (RtMidi::Api a : compiled) {
            if (a == api) return true;
        }
        return false;
    };
    std::vector<RtMidi::Api> apis;
    // Without the sequencer device ALSA's library only complains on stderr.
    if (has(RtMidi::LINUX_ALSA) && access("/dev/snd/seq", R_OK | W_OK) == 0) {
        apis.push_back(RtMidi::LINUX_ALSA);
    }
    if (has(RtMidi::UNIX_JACK) && jackServerRunning()) apis.push_back(RtMidi::UNIX_JACK);
    return apis;
}

// Probe is RtMidiIn or RtMidiOut (their common base cannot be deleted through).
template <typename Probe>
void addPorts(RtMidi::Api api, std::vector<MidiPort>& list) {
    try {
        Probe probe(api, kProbeName);
        probe.setErrorCallback(&ignoreRtMidiError, nullptr);
        const unsigned count = probe.getPortCount();
        for (unsigned port = 0; port < count; ++port) {
            std::string name = probe.getPortName(port);
            // A port that vanished while we listed yields no name.
            if (!name.empty()) list.push_back({api, port, std::move(name)});
        }
    } catch (const RtMidiError&) {
        // this back end has nothing to offer now
    } catch (const std::exception&) {
    }
}

}  // namespace

void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

std::vector<MidiPort> listMidiPorts(MidiDirection direction) {
    std::vector<MidiPort> list;
    for (RtMidi::Api api : backEnds()) {
        if (direction == MidiDirection::Input) {
            addPorts<RtMidiIn>(api, list);
        } else {
            addPorts<RtMidiOut>(api, list);
        }
    }
    return list;
}

}  // namespace luma
