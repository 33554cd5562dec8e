// Plays through a JACK server as a client of its own, connected to the
// server's playback ports.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <memory>
#include <vector>

#include "output/output.h"
#include "output/render_gate.h"

namespace luma {

class JackOutput : public Output {
  public:
    explicit JackOutput(OutputOptions options) : options_(std::move(options)) {}
    ~JackOutput() override { close(); }
    JackOutput(const JackOutput&) = delete;
    JackOutput& operator=(const JackOutput&) = delete;

    // True when a JACK server runs (JACK_DEFAULT_SERVER, or the default one).
    static bool serverRuns();

    // The server's first two playback ports (`device` is not used). Runs
    // at the server's rate whatever is asked for.
    bool open(int device, int requestedRate, RenderCallback* callback) override;
    bool start() override;
    bool stop() override;
    void close() override;
    int sampleRate() const override { return rate_; }
    int periodFrames() const override { return period_; }
    int latencyFrames() const override { return latencyFrames_; }
    bool failed() const noexcept override { return failed_.load(std::memory_order_acquire); }
    std::unique_ptr<Output> successor() const override {
        return std::make_unique<JackOutput>(options_);
    }

  private:
    static int onProcess(jack_nframes_t frames, void* self);
    static void onShutdown(jack_status_t code, const char* reason, void* self);
    void connectToPlayback();

    const OutputOptions options_;
    RenderCallback* callback_ = nullptr;
    jack_client_t* client_ = nullptr;
    jack_port_t* ports_[2] = {nullptr, nullptr};
    int rate_ = 0;
    int period_ = 0;
    int latencyFrames_ = 0;
    // Interleaved render buffer; a longer period is rendered in pieces.
    static constexpr int kChunkFrames = 1024;
    std::vector<float> interleaved_ = std::vector<float>(2 * kChunkFrames);
    // Process thread: JACK's frame time at the last cycle we rendered; a
    // jump of more than a period is cycles the server played without us.
    jack_nframes_t lastCycle_ = 0;
    bool cycleKnown_ = false;
    std::atomic<bool> restart_{false};
    std::atomic<bool> failed_{false};
    RenderGate gate_;  // open from start() to stop(): after stop() no render runs
};

}  // namespace luma
