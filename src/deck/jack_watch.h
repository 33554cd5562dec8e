// Tells when the JACK server goes away. RtMidi's JACK client keeps quiet
// about it (its port list even stays as it was), so a client of our own,
// without ports, listens for the server's end.
#pragma once

#include <jack/types.h>

#include <functional>

namespace luma {

class JackWatch {
  public:
    // `gone` runs once, on a thread of JACK's, when the server ends. Without a
    // server to watch the object does nothing.
    explicit JackWatch(std::function<void()> gone);
    ~JackWatch();
    JackWatch(const JackWatch&) = delete;
    JackWatch& operator=(const JackWatch&) = delete;

    bool watching() const { return client_ != nullptr; }

  private:
    jack_client_t* client_ = nullptr;
    std::function<void()> gone_;
};

}  // namespace luma
