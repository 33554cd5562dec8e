// The deck's JACK MIDI input: a client of our own with one input port,
// connected to the controller's port. Unlike RtMidi's JACK input it tells
// when the input is lost: the server ends, or the connection does (the
// controller's port went, even if one of the same name took its place at
// once, or a patchbay cut it).
#pragma once

#include <jack/ringbuffer.h>
#include <jack/types.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <semaphore>
#include <string>
#include <thread>

namespace luma {

class JackMidiIn {
  public:
    // Each event's bytes, in order, on the input's own thread (JACK's process
    // thread only copies them into a ring: it must not wait or allocate), with
    // the value the stamp had when JACK received the event.
    using Bytes = std::function<void(const unsigned char* data, size_t size, unsigned stamp)>;
    // Once, on JACK's notification thread, when the input is lost.
    using Lost = std::function<void(const std::string& why)>;

    // Opens a client named `clientName` and connects `source`, a full JACK
    // port name, to its port; problem() tells what failed. `stamp` outlives this.
    JackMidiIn(const std::string& clientName, const std::string& source,
               const std::atomic<unsigned>& stamp, Bytes bytes, Lost lost);
    ~JackMidiIn();  // no call of either function after this, and no loss for the close
    JackMidiIn(const JackMidiIn&) = delete;
    JackMidiIn& operator=(const JackMidiIn&) = delete;

    const std::string& problem() const { return problem_; }  // empty while open

  private:
    void lose(const char* why);
    void queue(const unsigned char* data, size_t size, unsigned stamp);  // JACK's process thread
    void passOn();                                                       // the input's own thread

    const std::atomic<unsigned>& stamp_;
    Bytes bytes_;
    Lost lost_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::string portName_;
    std::atomic<bool> done_{false};      // lost, or closing
    jack_ringbuffer_t* ring_ = nullptr;  // events as a Header and the bytes
    std::counting_semaphore<> queued_{0};
    std::atomic<bool> closing_{false};
    std::thread reader_;
    std::string problem_;
};

}  // namespace luma
