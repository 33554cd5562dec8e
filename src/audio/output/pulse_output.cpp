#include "output/pulse_output.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace luma {

namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerFrame = kChannels * static_cast<int>(sizeof(float));
// A server that does not answer within this is taken as absent: the deck
// must never hang on a stalled one.
constexpr auto kAnswerTimeout = std::chrono::milliseconds(1500);

// Holds the mainloop's lock for a scope.
class LoopLock {
  public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) {
        pa_threaded_mainloop_lock(loop_);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

  private:
    pa_threaded_mainloop* loop_;
};

// With the lock held: waits until `settled` says the state is final, for at
// most kAnswerTimeout. Polls instead of pa_threaded_mainloop_wait(), which
// would wait forever on a server that stopped answering.
template <typename Settled>
bool waitSettled(pa_threaded_mainloop* loop, Settled settled) {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    while (!settled()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        pa_threaded_mainloop_unlock(loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        pa_threaded_mainloop_lock(loop);
    }
    return true;
}

uint32_t bytesFor(int frames) {
    return static_cast<uint32_t>(frames * kBytesPerFrame);
}

}  // namespace

bool PulseOutput::serverAnswers() {
    PulseOutput probe(OutputOptions{});
    probe.loop_ = pa_threaded_mainloop_new();
    if (probe.loop_ == nullptr) return false;
    const bool answers = probe.connectContext();
    probe.close();
    return answers;
}

bool PulseOutput::connectContext() {
    if (pa_threaded_mainloop_start(loop_) < 0) return false;
    LoopLock lock(loop_);
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, options_.clientName.c_str());
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "lumatrone");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_),
                                            options_.clientName.c_str(), properties);
    pa_proplist_free(properties);
    if (context_ == nullptr) return false;
    pa_context_set_state_callback(context_, &PulseOutput::onContextState, this);
    // No autospawn: a server that is not running is not ours to start.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
    const bool settled = waitSettled(loop_, [this] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    return settled && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseOutput::open(int /*device*/, int requestedRate, RenderCallback* callback) {
    close();
    if (callback == nullptr) return false;
    failed_.store(false, std::memory_order_release);
    rate_ = requestedRate > 0 ? requestedRate : 44100;
    callback_ = callback;
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr || !connectContext() || !connectStream()) {
        close();
        return false;
    }
    return true;
}

bool PulseOutput::connectStream() {
    LoopLock lock(loop_);
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(rate_), kChannels};
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, options_.clientName.c_str());
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    stream_ = pa_stream_new_with_proplist(context_, options_.clientName.c_str(), &spec, nullptr,
                                          properties);
    pa_proplist_free(properties);
    if (stream_ == nullptr) return false;
    pa_stream_set_state_callback(stream_, &PulseOutput::onStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::onWrite, this);
    pa_stream_set_underflow_callback(stream_, &PulseOutput::onUnderflow, this);
    pa_stream_set_started_callback(stream_, &PulseOutput::onStarted, this);

    const int latencyMs = options_.latencyMs > 0 ? options_.latencyMs : kDefaultLatencyMs;
    const int target = std::max(2 * kPeriodFrames, rate_ * latencyMs / 1000);
    pa_buffer_attr attributes{};
    attributes.maxlength = UINT32_MAX;
    attributes.tlength = bytesFor(target);
    // Playback starts (and restarts after an underflow) as soon as one
    // period is there, so neither a press of Play nor a short stall waits
    // for the whole buffer to fill.
    attributes.prebuf = bytesFor(kPeriodFrames);
    attributes.minreq = bytesFor(kPeriodFrames);
    attributes.fragsize = UINT32_MAX;
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(stream_, nullptr, &attributes, flags, nullptr, nullptr) < 0)
        return false;
    const bool settled = waitSettled(loop_, [this] {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!settled || pa_stream_get_state(stream_) != PA_STREAM_READY) return false;
    // What the server granted: the buffer it keeps full is what we hear late.
    const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_);
    const int buffered =
        granted != nullptr ? static_cast<int>(granted->tlength) / kBytesPerFrame : target;
    latencyFrames_ = buffered;
    gaps_.configure(rate_, buffered, kPeriodFrames);
    return true;
}

void PulseOutput::setCorked(bool corked) {
    // Not waited for: a server that has gone would never answer.
    pa_operation* operation = pa_stream_cork(stream_, corked ? 1 : 0, nullptr, nullptr);
    if (operation != nullptr) pa_operation_unref(operation);
}

bool PulseOutput::start() {
    if (stream_ == nullptr || failed()) return false;
    LoopLock lock(loop_);
    if (running_) return true;
    running_ = true;
    playing_ = false;
    gaps_.restart();
    setCorked(false);
    return true;
}

bool PulseOutput::stop() {
    if (stream_ == nullptr) return false;
    // The write callback runs with the lock held: once we hold it and
    // running_ is false, no render runs again.
    LoopLock lock(loop_);
    running_ = false;
    if (!failed()) setCorked(true);
    return true;
}

void PulseOutput::close() {
    if (loop_ != nullptr) {
        {
            LoopLock lock(loop_);
            running_ = false;
            if (stream_ != nullptr) {
                pa_stream_set_state_callback(stream_, nullptr, nullptr);
                pa_stream_set_write_callback(stream_, nullptr, nullptr);
                pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
                pa_stream_set_started_callback(stream_, nullptr, nullptr);
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
        }
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }
    callback_ = nullptr;
    latencyFrames_ = 0;
}

void PulseOutput::onContextState(pa_context* context, void* self) {
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        static_cast<PulseOutput*>(self)->failed_.store(true, std::memory_order_release);
}

void PulseOutput::onStreamState(pa_stream* stream, void* self) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        static_cast<PulseOutput*>(self)->failed_.store(true, std::memory_order_release);
}

void PulseOutput::onWrite(pa_stream* stream, size_t bytes, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    if (out->running_ && !out->playing_) out->gaps_.restart();
    if (out->running_ && out->playing_) {
        const uint64_t late = out->gaps_.callback(HeardGaps::Clock::now());
        out->countUnderrun(late > 0 ? late : out->underflowReported_ ? 1 : 0);
        out->underflowReported_ = false;
    }
    out->countPeriod();
    while (bytes >= static_cast<size_t>(kBytesPerFrame)) {
        void* data = nullptr;
        size_t granted = std::min(bytes, static_cast<size_t>(bytesFor(kPeriodFrames)));
        // The server's own memory: no copy, and no allocation of ours.
        if (pa_stream_begin_write(stream, &data, &granted) < 0 || data == nullptr) return;
        const int frames = static_cast<int>(granted) / kBytesPerFrame;
        if (frames == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        auto* samples = static_cast<float*>(data);
        if (out->running_) {
            out->callback_->renderAudio(samples, frames);
        } else {
            std::memset(samples, 0, static_cast<size_t>(frames) * kBytesPerFrame);
        }
        pa_stream_write(stream, data, static_cast<size_t>(frames) * kBytesPerFrame, nullptr, 0,
                        PA_SEEK_RELATIVE);
        bytes -= static_cast<size_t>(frames) * kBytesPerFrame;
    }
}

void PulseOutput::onStarted(pa_stream* /*stream*/, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    if (out->running_) out->playing_ = true;
}

void PulseOutput::onUnderflow(pa_stream* /*stream*/, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    if (out->running_) out->underflowReported_ = true;
}

}  // namespace luma
