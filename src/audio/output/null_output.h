// An output without a device: a thread renders periods paced by the steady clock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "output/output.h"

namespace luma {

// Sees every period right after it was rendered, on the render thread.
class PeriodSink {
  public:
    virtual ~PeriodSink() = default;
    virtual void periodRendered(const float* interleavedStereo, int frames) noexcept = 0;
};

class NullOutput : public Output {
  public:
    static constexpr int kPeriodFrames = 256;
    static constexpr int kDefaultRate = 44100;

    // `sink` (optional) must outlive the open output.
    explicit NullOutput(PeriodSink* sink = nullptr) : sink_(sink) {}
    ~NullOutput() override { close(); }
    NullOutput(const NullOutput&) = delete;
    NullOutput& operator=(const NullOutput&) = delete;

    // Only device 0 (or -1) exists. Runs at any positive rate asked for,
    // else at kDefaultRate. Opening an open output closes it first.
    bool open(int device, int requestedRate, RenderCallback* callback) override;
    bool start() override;
    bool stop() override;  // also returns at once from a sleeping thread
    void close() override;
    int sampleRate() const override { return rate_; }
    int periodFrames() const override { return kPeriodFrames; }
    int latencyFrames() const override { return 0; }

  private:
    void run();
    void renderWhileRunning();

    PeriodSink* const sink_;
    RenderCallback* callback_ = nullptr;
    int rate_ = 0;
    std::unique_ptr<float[]> buffer_;
    std::thread thread_;

    std::mutex mutex_;  // guards quit_ and the wait for running_; never held while rendering
    std::condition_variable wake_;
    bool quit_ = false;
    // running_ and rendering_ form a handshake (both sequentially consistent): the
    // thread raises rendering_ before it checks running_, stop() lowers running_
    // before it checks rendering_, so one of them always sees the other.
    std::atomic<bool> running_{false};
    std::atomic<bool> rendering_{false};
};

}  // namespace luma
