// The audio thread's side of the engine: applies queued commands, renders
// every playing channel, mixes them through the global volumes and keeps the
// mix inside full scale.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "core/command.h"
#include "core/linear_ramp.h"
#include "core/play_channel.h"
#include "core/spsc_queue.h"
#include "core/track_loudness.h"
#include "dsp/output_limiter.h"
#include "output/output.h"
#include "output/render_gate.h"
#include "sync/link_session.h"
#include "sync/session_beats.h"

namespace luma {

class Mixer : public RenderCallback {
  public:
    static constexpr int kMaxChannels = 256;

    Mixer();

    // Control side, with the gate closed.
    void configure(double outputRate, int latencyFrames) noexcept;
    // Control side (one thread at a time). False when the queue is full.
    bool post(const Command& command) noexcept { return queue_.push(command); }
    // Control side, with the gate closed: what the audio thread would do next.
    void applyPending() noexcept { applyCommands(); }
    // Control side, with the gate closed: drop every channel (shutdown).
    void forgetChannels() noexcept { channels_.clear(); }
    // Control side, with the gate closed: the Link session synced channels follow.
    void attachSession(LinkSession* session) noexcept { session_ = session; }

    // Any thread: the loudness every played track is brought to (kLoudnessOff: none).
    void setLoudnessTarget(float lufs) noexcept {
        loudnessTarget_.store(lufs, std::memory_order_relaxed);
    }
    float loudnessTarget() const noexcept {
        return loudnessTarget_.load(std::memory_order_relaxed);
    }

    RenderGate& gate() noexcept { return gate_; }
    double outputRate() const noexcept { return outputRate_; }
    int latencyFrames() const noexcept { return latency_; }
    // Completed render passes; a pass that starts after this value changed
    // has seen every command posted before.
    uint64_t epoch() const noexcept { return epoch_.load(std::memory_order_acquire); }
    // Output frame now being heard.
    int64_t heardOutFrame() const noexcept {
        return outFrame_.load(std::memory_order_acquire) - latency_;
    }
    float cpuPercent() const noexcept { return cpu_.load(std::memory_order_relaxed); }

    // Audio thread (or the manual render): false, with silence, when the gate is shut.
    bool render(float* interleaved, int frames) noexcept;
    void renderAudio(float* interleaved, int frames) noexcept override {
        render(interleaved, frames);
    }
    void periodTiming(double startedMicrosAgo, double microsPerFrame) noexcept override {
        if (session_) {
            session_->periodTiming(outFrame_.load(std::memory_order_relaxed), startedMicrosAgo,
                                   microsPerFrame);
        }
    }

  private:
    void applyCommands() noexcept;
    void renderBlock(float* interleaved, int frames) noexcept;
    RenderContext context() const noexcept {
        return {outFrame_.load(std::memory_order_relaxed), outputRate_, latency_, loudnessTarget(),
                &beats_};
    }

    SpscQueue<Command, 8192> queue_;
    RenderGate gate_;
    std::vector<PlayChannel*> channels_;
    LinkSession* session_ = nullptr;
    SessionBeats beats_;  // captured once per period
    double outputRate_ = 44100.0;
    int latency_ = 0;
    LinearRamp streamGain_, musicGain_;
    dsp::OutputLimiter limiter_;
    std::array<float, PlayChannel::kMaxBlock> streamLeft_{}, streamRight_{};
    std::array<float, PlayChannel::kMaxBlock> musicLeft_{}, musicRight_{};
    std::atomic<int64_t> outFrame_{0};
    std::atomic<uint64_t> epoch_{0};
    std::atomic<float> cpu_{0.0f};
    std::atomic<float> loudnessTarget_{kLoudnessOff};
};

}  // namespace luma
