#include "deck/jack_watch.h"

#include <jack/jack.h>

namespace luma {

JackWatch::JackWatch(std::function<void()> gone) : gone_(std::move(gone)) {
    jack_status_t status{};
    client_ = jack_client_open("Lumatrone DJ watch", JackNoStartServer, &status);
    if (!client_) return;
    // Called on JACK's notification thread, which the server's end stops.
    jack_on_info_shutdown(
        client_,
        [](jack_status_t, const char*, void* self) { static_cast<JackWatch*>(self)->gone_(); },
        this);
}

JackWatch::~JackWatch() {
    if (client_) jack_client_close(client_);  // joins JACK's thread: no call after this
}

}  // namespace luma
