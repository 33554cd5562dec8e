// Records what one JACK client sends to the playback ports, through a
// client of our own connected to its first output port. Each cycle's block
// is heard at the cycle's start plus the playback ports' latency. A cycle
// the followed client did not finish is not run for us either (we depend
// on its port): those frames the device played without its sound, and they
// are recorded as silence.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "sink_monitor.h"

namespace luma::bench {

class JackMonitor : public SinkMonitor {
  public:
    // `source`: the port to follow, such as "lumaplay:out_1".
    explicit JackMonitor(std::string source) : source_(std::move(source)) {}
    ~JackMonitor() override { close(); }
    JackMonitor(const JackMonitor&) = delete;
    JackMonitor& operator=(const JackMonitor&) = delete;

    bool open() override {
        close();
        jack_status_t status{};
        client_ = jack_client_open("luma-monitor", JackNoStartServer, &status);
        if (client_ == nullptr) return false;
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        if (port_ == nullptr) return false;
        cameAfterPlayer_ = jack_port_by_name(client_, source_.c_str()) != nullptr;
        rate_ = jack_get_sample_rate(client_);
        heard_ = std::make_unique<HeardSound>(rate_);
        silence_.assign(jack_get_buffer_size(client_), 0.0f);
        // JACK's clock and ours, side by side.
        const Clock::time_point now = Clock::now();
        jackEpoch_ = now - std::chrono::microseconds(jack_get_time());
        jack_latency_range_t range{};
        if (jack_port_t* playback = jack_port_by_name(client_, "system:playback_1"))
            jack_port_get_latency_range(playback, JackPlaybackLatency, &range);
        playbackLatency_ = std::chrono::microseconds(range.max * 1000000LL / rate_);
        jack_set_process_callback(client_, &JackMonitor::onProcess, this);
        jack_on_shutdown(client_, &JackMonitor::onShutdown, this);
        return jack_activate(client_) == 0;
    }

    void follow() override {
        if (client_ == nullptr || connected_) return;
        const int result = jack_connect(client_, source_.c_str(), jack_port_name(port_));
        connected_ = result == 0 || result == EEXIST;
    }

    bool lost() const override { return lost_.load(); }

    void close() {
        if (client_ != nullptr) jack_client_close(client_);
        client_ = nullptr;
        connected_ = false;
        lastFrame_ = 0;
        haveLast_ = false;
    }

  private:
    Clock::time_point heardAt(jack_time_t cycleStart) const {
        return jackEpoch_ + std::chrono::microseconds(cycleStart) + playbackLatency_;
    }

    static int onProcess(jack_nframes_t frames, void* self) {
        auto* monitor = static_cast<JackMonitor*>(self);
        jack_nframes_t cycleFrame = 0;
        jack_time_t cycleStart = 0;
        jack_time_t nextStart = 0;
        float periodUs = 0;
        if (jack_get_cycle_times(monitor->client_, &cycleFrame, &cycleStart, &nextStart,
                                 &periodUs) != 0)
            return 0;
        if (monitor->haveLast_) {
            // Cycles we were not run in: the followed client missed them.
            const jack_nframes_t expected = monitor->lastFrame_ + frames;
            const double usPerFrame = 1e6 / monitor->rate_;
            for (jack_nframes_t missed = expected; missed < cycleFrame; missed += frames) {
                const auto back = static_cast<jack_time_t>((cycleFrame - missed) * usPerFrame);
                monitor->heard_->append(monitor->silence_.data(), frames, 1,
                                        monitor->heardAt(cycleStart - back));
            }
        }
        monitor->lastFrame_ = cycleFrame;
        monitor->haveLast_ = true;
        const auto* in = static_cast<const float*>(jack_port_get_buffer(monitor->port_, frames));
        monitor->heard_->append(in, frames, 1, monitor->heardAt(cycleStart));
        return 0;
    }
    static void onShutdown(void* self) { static_cast<JackMonitor*>(self)->lost_ = true; }

    std::string source_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    jack_nframes_t rate_ = 48000;
    std::vector<float> silence_;
    Clock::time_point jackEpoch_{};
    Clock::duration playbackLatency_{};
    bool connected_ = false;
    // Process thread.
    jack_nframes_t lastFrame_ = 0;
    bool haveLast_ = false;
    std::atomic<bool> lost_{false};
};

}  // namespace luma::bench
