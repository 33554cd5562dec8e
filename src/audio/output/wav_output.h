// The null output that also records everything it renders into a WAV file.
#pragma once

#include <cstdint>
#include <string>

#include "output/null_output.h"
#include "output/wav_recorder.h"

namespace luma {

class WavOutput : public Output {
  public:
    // The file is always 44100 Hz, so the output runs at 44100 Hz whatever rate
    // is asked for, as a device with a fixed rate would; the engine resamples.
    static constexpr int kFileRate = 44100;

    explicit WavOutput(std::string path) : path_(std::move(path)) {}
    ~WavOutput() override { close(); }

    // Each open starts the file at `path` afresh.
    bool open(int device, int requestedRate, RenderCallback* callback) override;
    bool start() override { return clock_.start(); }
    bool stop() override { return clock_.stop(); }
    void close() override;  // the file is complete when this returns
    int sampleRate() const override { return clock_.sampleRate(); }
    int periodFrames() const override { return clock_.periodFrames(); }
    int latencyFrames() const override { return clock_.latencyFrames(); }

    // Frames rendered but missing from the file (the disk could not keep up).
    int64_t droppedFrames() const { return recorder_.droppedFrames(); }

  private:
    std::string path_;
    // Declared before the clock so the clock's thread is gone before the recorder.
    WavRecorder recorder_;
    NullOutput clock_{&recorder_};
};

}  // namespace luma
