#include "output/jack_output.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "output/library_chatter.h"

namespace luma {

namespace {

// The library never starts a server on its own: a JACK server is the user's.
constexpr auto kOpenOptions = JackNoStartServer;

}  // namespace

bool JackOutput::serverRuns() {
    silenceLibraryChatter();
    jack_status_t status{};
    jack_client_t* client = jack_client_open("lumatrone-probe", kOpenOptions, &status);
    if (client == nullptr) return false;
    jack_client_close(client);
    return true;
}

bool JackOutput::open(int /*device*/, int /*requestedRate*/, RenderCallback* callback) {
    close();
    if (callback == nullptr) return false;
    failed_.store(false, std::memory_order_release);
    silenceLibraryChatter();
    jack_status_t status{};
    client_ = jack_client_open(options_.clientName.c_str(), kOpenOptions, &status);
    if (client_ == nullptr) return false;
    callback_ = callback;
    ports_[0] = jack_port_register(client_, "out_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    ports_[1] = jack_port_register(client_, "out_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (ports_[0] == nullptr || ports_[1] == nullptr) {
        close();
        return false;
    }
    jack_set_process_callback(client_, &JackOutput::onProcess, this);
    jack_on_info_shutdown(client_, &JackOutput::onShutdown, this);
    rate_ = static_cast<int>(jack_get_sample_rate(client_));
    period_ = static_cast<int>(jack_get_buffer_size(client_));
    // What we write in a cycle is heard in the next one, then what the
    // playback ports add.
    latencyFrames_ = period_;
    if (jack_activate(client_) != 0) {
        close();
        return false;
    }
    connectToPlayback();
    return true;
}

void JackOutput::connectToPlayback() {
    const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsPhysical | JackPortIsInput);
    if (playback == nullptr) return;
    jack_latency_range_t range{};
    // A mono device gets the left side only.
    for (int side = 0; side < 2 && playback[side] != nullptr; ++side) {
        jack_connect(client_, jack_port_name(ports_[side]), playback[side]);
        jack_port_get_latency_range(jack_port_by_name(client_, playback[side]), JackPlaybackLatency,
                                    &range);
    }
    latencyFrames_ = period_ + static_cast<int>(range.max);
    jack_free(playback);
}

bool JackOutput::start() {
    if (client_ == nullptr || failed()) return false;
    restart_.store(true, std::memory_order_relaxed);
    gate_.open();
    return true;
}

bool JackOutput::stop() {
    if (client_ == nullptr) return false;
    gate_.close();
    return true;
}

void JackOutput::close() {
    if (client_ != nullptr) {
        stop();
        // After the server has gone this only frees what the client holds.
        jack_client_close(client_);
        client_ = nullptr;
    }
    ports_[0] = ports_[1] = nullptr;
    callback_ = nullptr;
    rate_ = period_ = latencyFrames_ = 0;
}

int JackOutput::onProcess(jack_nframes_t frames, void* self) {
    auto* out = static_cast<JackOutput*>(self);
    auto* left = static_cast<float*>(jack_port_get_buffer(out->ports_[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(out->ports_[1], frames));
    out->countPeriod();
    if (!out->gate_.tryEnter()) {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
        return 0;
    }
    // Counted in the server's own frames, which a late cycle on a busy
    // machine does not disturb.
    const jack_nframes_t cycle = jack_last_frame_time(out->client_);
    if (out->restart_.exchange(false, std::memory_order_relaxed)) out->cycleKnown_ = false;
    if (out->cycleKnown_ && out->period_ > 0) {
        const jack_nframes_t missed =
            (cycle - out->lastCycle_) / static_cast<jack_nframes_t>(out->period_);
        if (missed > 1) out->countUnderrun(missed - 1);
    }
    out->lastCycle_ = cycle;
    out->cycleKnown_ = true;
    // The server's own times of the cycle: the same for every client of it.
    jack_nframes_t cycleFrame = 0;
    jack_time_t cycleStart = 0, nextStart = 0;
    float periodUsecs = 0;
    if (jack_get_cycle_times(out->client_, &cycleFrame, &cycleStart, &nextStart, &periodUsecs) ==
            0 &&
        nextStart > cycleStart && frames > 0) {
        const jack_time_t now = jack_get_time();
        // Signed: the server's filtered start may lie a little after this wake-up.
        out->callback_->periodTiming(static_cast<double>(now) - static_cast<double>(cycleStart),
                                     static_cast<double>(nextStart - cycleStart) / frames);
    }
    float* interleaved = out->interleaved_.data();
    for (jack_nframes_t done = 0; done < frames;) {
        const int n = static_cast<int>(std::min<jack_nframes_t>(frames - done, kChunkFrames));
        out->callback_->renderAudio(interleaved, n);
        for (int i = 0; i < n; ++i) {
            left[done + i] = interleaved[2 * i];
            right[done + i] = interleaved[2 * i + 1];
        }
        done += n;
    }
    out->gate_.leave();
    return 0;
}

void JackOutput::onShutdown(jack_status_t /*code*/, const char* /*reason*/, void* self) {
    auto* out = static_cast<JackOutput*>(self);
    out->failed_.store(true, std::memory_order_release);
}

}  // namespace luma
