// Records rendered periods into a 16-bit stereo WAV file without file I/O on the render thread.
#pragma once

#include <sndfile.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "output/null_output.h"
#include "output/spsc_ring.h"

namespace luma {

// The render thread pushes frames into a ring; a writer thread drains it into
// the file and rewrites the header after each batch, so a killed process still
// leaves a readable file missing at most the last few milliseconds.
class WavRecorder : public PeriodSink {
  public:
    // About three seconds at 44100 Hz: room for a disk that stalls now and then.
    static constexpr size_t kDefaultRingFrames = size_t{1} << 17;

    explicit WavRecorder(size_t ringFrames = kDefaultRingFrames) : ring_(ringFrames * 2) {}
    ~WavRecorder() override { close(); }
    WavRecorder(const WavRecorder&) = delete;
    WavRecorder& operator=(const WavRecorder&) = delete;

    // Creates (or truncates) the file and starts the writer.
    bool open(const std::string& path, int rate);
    // Writes what is still in the ring and finishes the file. Call only after
    // the render thread has stopped calling periodRendered().
    void close();

    // Render thread. When the ring is full the rest of the period is dropped
    // and counted: the render thread never waits for the disk.
    void periodRendered(const float* interleavedStereo, int frames) noexcept override;

    // Frames lost to a full ring or a failed write since open().
    int64_t droppedFrames() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    void writeLoop();
    // Writes everything waiting through `chunk`; false when nothing was waiting.
    bool drain(std::vector<float>& chunk);

    SpscRing<float> ring_;
    SNDFILE* file_ = nullptr;
    std::thread writer_;
    std::atomic<int64_t> dropped_{0};

    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
};

}  // namespace luma
