// Records the default sink's monitor through PulseAudio's protocol
// (PulseAudio, or PipeWire's pulse server): what the sink plays, each block
// timed by the record stream's own latency, which for a monitor tells when
// the sink plays what it hands us.
#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sink_monitor.h"

namespace luma::bench {

class PulseMonitor : public SinkMonitor {
  public:
    static constexpr int kRate = 44100;

    PulseMonitor() = default;
    ~PulseMonitor() override { close(); }
    PulseMonitor(const PulseMonitor&) = delete;
    PulseMonitor& operator=(const PulseMonitor&) = delete;

    bool open() override { return start(true); }

    // True when the server (PULSE_SERVER) takes a connection.
    static bool serverAnswers() {
        PulseMonitor probe;
        return probe.start(false);
    }

    bool lost() const override { return lost_.load(); }

    void close() {
        if (loop_ == nullptr) return;
        pa_threaded_mainloop_lock(loop_);
        if (stream_ != nullptr) {
            pa_stream_set_read_callback(stream_, nullptr, nullptr);
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (context_ != nullptr) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }

  private:
    bool start(bool record) {
        close();
        loop_ = pa_threaded_mainloop_new();
        if (loop_ == nullptr || pa_threaded_mainloop_start(loop_) < 0) return false;
        pa_threaded_mainloop_lock(loop_);
        bool ready = connectContext();
        if (ready && record) {
            cameAfterPlayer_ = streamsPlaying();
            ready = connectStream();
        }
        pa_threaded_mainloop_unlock(loop_);
        return ready;
    }

    // With the lock held: polls rather than waits, since a server that is
    // coming back may not answer at all yet.
    template <typename Settled>
    bool settle(Settled settled) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (!settled()) {
            if (Clock::now() > deadline) return false;
            pa_threaded_mainloop_unlock(loop_);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            pa_threaded_mainloop_lock(loop_);
        }
        return true;
    }

    bool connectContext() {
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "luma-monitor");
        if (context_ == nullptr) return false;
        pa_context_set_state_callback(context_, &PulseMonitor::onContextState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        return settle([this] {
                   const pa_context_state_t state = pa_context_get_state(context_);
                   return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
               }) &&
               pa_context_get_state(context_) == PA_CONTEXT_READY;
    }

    bool streamsPlaying() {
        struct Listing {
            bool any = false;
            bool done = false;
        } listing;
        pa_operation* operation = pa_context_get_sink_input_info_list(
            context_,
            [](pa_context*, const pa_sink_input_info* info, int last, void* user) {
                auto* listing = static_cast<Listing*>(user);
                if (last != 0) {
                    listing->done = true;
                } else if (info != nullptr) {
                    listing->any = true;
                }
            },
            &listing);
        if (operation == nullptr) return false;
        if (!settle([&] { return listing.done; })) pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return listing.any;
    }

    bool connectStream() {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 2};
        stream_ = pa_stream_new(context_, "sink monitor", &spec, nullptr);
        if (stream_ == nullptr) return false;
        pa_stream_set_state_callback(stream_, &PulseMonitor::onStreamState, this);
        pa_stream_set_read_callback(stream_, &PulseMonitor::onRead, this);
        pa_buffer_attr attributes{};
        attributes.maxlength = UINT32_MAX;
        attributes.fragsize = 256 * kBytesPerFrame;  // small blocks: fine timing
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
        if (pa_stream_connect_record(stream_, "@DEFAULT_MONITOR@", &attributes, flags) < 0)
            return false;
        return settle([this] {
                   const pa_stream_state_t state = pa_stream_get_state(stream_);
                   return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
               }) &&
               pa_stream_get_state(stream_) == PA_STREAM_READY;
    }

    static void onContextState(pa_context* context, void* self) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
            static_cast<PulseMonitor*>(self)->lost_ = true;
    }
    static void onStreamState(pa_stream* stream, void* self) {
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
            static_cast<PulseMonitor*>(self)->lost_ = true;
    }

    static void onRead(pa_stream* stream, size_t, void* self) {
        auto* monitor = static_cast<PulseMonitor*>(self);
        while (pa_stream_readable_size(stream) > 0) {
            // The latency is that of the next byte to read: taken before the
            // peek, it times the block's first sample. Negative for a monitor
            // whose sink has yet to play what it hands over.
            pa_usec_t latency = 0;
            int negative = 0;
            const bool timed = pa_stream_get_latency(stream, &latency, &negative) == 0;
            const Clock::time_point now = Clock::now();
            const void* data = nullptr;
            size_t bytes = 0;
            if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
            if (timed) {
                const auto age = std::chrono::microseconds(static_cast<int64_t>(latency));
                monitor->heard_->append(static_cast<const float*>(data), bytes / kBytesPerFrame, 2,
                                        negative ? now + age : now - age);
            }
            pa_stream_drop(stream);
        }
    }

    static constexpr size_t kBytesPerFrame = 2 * sizeof(float);
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::atomic<bool> lost_{false};
};

}  // namespace luma::bench
