#include "remote/alsa_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace luma {

AlsaWatch::AlsaWatch(int client, int port, std::function<void()> gone)
    : client_(client), port_(port), gone_(std::move(gone)) {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        problem_ = "the ALSA sequencer does not open";
        return;
    }
    snd_seq_set_client_name(seq_, "Lumatrone DJ watch");
    const int me = snd_seq_create_simple_port(seq_, "announcements",
                                              SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                              SND_SEQ_PORT_TYPE_APPLICATION);
    if (me < 0 ||
        snd_seq_connect_from(seq_, me, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0 ||
        pipe2(wake_, O_CLOEXEC) != 0) {
        problem_ = "the ALSA sequencer's announcements cannot be followed";
        return;
    }
    thread_ = std::thread(&AlsaWatch::run, this);
}

AlsaWatch::~AlsaWatch() {
    if (wake_[1] >= 0) close(wake_[1]);
    if (thread_.joinable()) thread_.join();
    if (wake_[0] >= 0) close(wake_[0]);
    if (seq_) snd_seq_close(seq_);
}

void AlsaWatch::run() {
    // Looked for once subscribed, so a port that goes meanwhile is not missed.
    snd_seq_port_info_t* info;
    snd_seq_port_info_alloca(&info);
    bool gone = snd_seq_get_any_port_info(seq_, client_, port_, info) < 0;

    std::vector<pollfd> fds(static_cast<size_t>(snd_seq_poll_descriptors_count(seq_, POLLIN)));
    snd_seq_poll_descriptors(seq_, fds.data(), static_cast<unsigned>(fds.size()), POLLIN);
    fds.push_back({wake_[0], POLLIN, 0});
    while (!gone) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds.back().revents != 0) return;  // closing
        snd_seq_event_t* event = nullptr;
        while (!gone && snd_seq_event_input(seq_, &event) >= 0) {
            const snd_seq_addr_t& addr = event->data.addr;
            gone = (event->type == SND_SEQ_EVENT_CLIENT_EXIT && addr.client == client_) ||
                   (event->type == SND_SEQ_EVENT_PORT_EXIT && addr.client == client_ &&
                    addr.port == port_);
        }
    }
    gone_();
}

}  // namespace luma
