#include "remote/jack_midi_in.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace luma {

namespace {

// Room for a few seconds of a busy controller, or a SysEx dump of that size.
constexpr size_t kRingBytes = 1 << 16;

struct Header {
    uint16_t length;
    unsigned stamp;
};

}  // namespace

JackMidiIn::JackMidiIn(const std::string& clientName, const std::string& source,
                       const std::atomic<unsigned>& stamp, Bytes bytes, Lost lost)
    : stamp_(stamp), bytes_(std::move(bytes)), lost_(std::move(lost)) {
    ring_ = jack_ringbuffer_create(kRingBytes);
    reader_ = std::thread([this] { passOn(); });
    jack_status_t status{};
    client_ = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (!client_) {
        problem_ = "the JACK server does not answer";
        return;
    }
    port_ = jack_port_register(client_, "MIDI in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port_) portName_ = jack_port_name(port_);
    jack_set_process_callback(
        client_,
        [](jack_nframes_t frames, void* arg) {
            auto* self = static_cast<JackMidiIn*>(arg);
            void* buffer = jack_port_get_buffer(self->port_, frames);
            const uint32_t count = jack_midi_get_event_count(buffer);
            const unsigned stamp = self->stamp_.load(std::memory_order_acquire);
            for (uint32_t i = 0; i < count; ++i) {
                jack_midi_event_t event;
                if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0) {
                    self->queue(event.buffer, event.size, stamp);
                }
            }
            if (count > 0) self->queued_.release();
            return 0;
        },
        this);
    jack_on_info_shutdown(
        client_,
        [](jack_status_t, const char*, void* self) {
            static_cast<JackMidiIn*>(self)->lose("the JACK server has stopped");
        },
        this);
    // JACK disconnects a port before it unregisters it, so this hears of the
    // controller's port going as well as of a cut connection.
    jack_set_port_connect_callback(
        client_,
        [](jack_port_id_t a, jack_port_id_t b, int connected, void* arg) {
            auto* self = static_cast<JackMidiIn*>(arg);
            const auto ours = [self](jack_port_id_t id) {
                const jack_port_t* port = jack_port_by_id(self->client_, id);
                return port && self->portName_ == jack_port_name(port);
            };
            if (!connected && (ours(a) || ours(b))) {
                self->lose("the controller's port was disconnected");
            }
        },
        this);
    if (!port_) {
        problem_ = "no port could be made";
    } else if (jack_activate(client_) != 0) {
        problem_ = "the client could not be activated";
    } else if (jack_connect(client_, source.c_str(), jack_port_name(port_)) != 0) {
        problem_ = "the port could not be connected";
    }
    if (!problem_.empty()) {
        done_ = true;
        jack_client_close(client_);
        client_ = nullptr;
    }
}

JackMidiIn::~JackMidiIn() {
    done_ = true;
    if (client_) jack_client_close(client_);  // joins JACK's threads: nothing is queued after
    closing_ = true;
    queued_.release();
    reader_.join();
    jack_ringbuffer_free(ring_);
}

void JackMidiIn::queue(const unsigned char* data, size_t size, unsigned stamp) {
    // An event that does not fit is lost whole, never in part; its header and
    // bytes become readable together, with one advance.
    if (!ring_ || size > UINT16_MAX || jack_ringbuffer_write_space(ring_) < size + sizeof(Header))
        return;
    const Header fields{static_cast<uint16_t>(size), stamp};
    unsigned char header[sizeof fields];
    std::memcpy(header, &fields, sizeof fields);
    jack_ringbuffer_data_t parts[2];
    jack_ringbuffer_get_write_vector(ring_, parts);
    size_t part = 0, at = 0;
    const auto put = [&](const unsigned char* from, size_t count) {
        while (count > 0) {
            const size_t n = std::min(count, parts[part].len - at);
            std::memcpy(parts[part].buf + at, from, n);
            from += n, count -= n, at += n;
            if (at == parts[part].len) ++part, at = 0;
        }
    };
    put(header, sizeof header);
    put(data, size);
    jack_ringbuffer_write_advance(ring_, size + sizeof header);
}

void JackMidiIn::passOn() {
    std::vector<unsigned char> event;
    for (;;) {
        queued_.acquire();
        if (!ring_) return;
        Header header{};
        while (jack_ringbuffer_read_space(ring_) >= sizeof header) {
            jack_ringbuffer_read(ring_, reinterpret_cast<char*>(&header), sizeof header);
            event.resize(header.length);
            jack_ringbuffer_read(ring_, reinterpret_cast<char*>(event.data()), header.length);
            bytes_(event.data(), event.size(), header.stamp);
        }
        if (closing_) return;
    }
}

void JackMidiIn::lose(const char* why) {
    if (!done_.exchange(true)) lost_(why);
}

}  // namespace luma
