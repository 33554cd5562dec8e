// Tempo detection on decode-only channels, and the tempo figures derived
// from it. The analysis decodes outside the engine lock: it takes a good
// fraction of a second and must not hold up the other calls.
#include <algorithm>
#include <cmath>
#include <vector>

#include "bpm/tempo_detector.h"
#include "core/engine.h"

namespace luma {

namespace {

constexpr int64_t kChunkFrames = 16384;

// Reports whole percents only, each once, so a caller repainting on every
// report is not flooded.
class ProgressReporter {
  public:
    ProgressReporter(uint32_t handle, Engine::TempoProgress progress)
        : handle_(handle), progress_(progress) {}
    void report(double percent) {
        const int whole = static_cast<int>(std::floor(percent));
        if (!progress_ || whole == last_) return;
        last_ = whole;
        progress_(handle_, static_cast<float>(percent));
    }

  private:
    uint32_t handle_;
    Engine::TempoProgress progress_;
    int last_ = -1;
};

}  // namespace

float Engine::detectTempo(uint32_t handle, float startSeconds, float endSeconds, uint32_t minMaxBpm,
                          TempoProgress progress) {
    std::shared_ptr<DecodeChannel> channel;
    {
        std::lock_guard lock(mutex_);
        channel = resolve(handle).decode;
    }
    if (!channel) return 0.0f;
    const int rate = channel->sampleRate();
    const int channels = channel->channels();
    const int64_t total = channel->frames();
    const auto frameAt = [&](float seconds) {
        if (!(seconds > 0.0f)) return int64_t{0};  // also NaN
        return std::min(total, static_cast<int64_t>(std::llround(double(seconds) * rate)));
    };
    const int64_t first = frameAt(startSeconds);
    const int64_t last = std::isinf(endSeconds) ? total : frameAt(endSeconds);
    if (last <= first || !channel->seek(first)) return 0.0f;

    ProgressReporter reporter(handle, progress);
    reporter.report(0.0);
    TempoDetector detector(rate, minMaxBpm & 0xFFFFu, minMaxBpm >> 16);
    std::vector<float> interleaved(static_cast<size_t>(kChunkFrames * channels));
    std::vector<float> mono(static_cast<size_t>(kChunkFrames));
    for (int64_t done = 0; done < last - first;) {
        const int64_t want = std::min(kChunkFrames, last - first - done);
        const int64_t got = channel->read(interleaved.data(), want);
        if (got <= 0) break;  // a damaged file ends early
        for (int64_t i = 0; i < got; ++i) {
            float sum = 0.0f;
            for (int c = 0; c < channels; ++c) sum += interleaved[i * channels + c];
            mono[i] = sum / static_cast<float>(channels);
        }
        detector.process(mono.data(), static_cast<size_t>(got));
        done += got;
        reporter.report(100.0 * static_cast<double>(done) / static_cast<double>(last - first));
    }
    reporter.report(100.0);
    const auto bpm = static_cast<float>(detector.tempo());

    std::lock_guard lock(mutex_);
    if (!resolve(handle).decode) return 0.0f;  // freed meanwhile
    tempos_[handle] = bpm;
    return bpm;
}

float Engine::tempoAt(uint32_t handle, float percents) {
    std::lock_guard lock(mutex_);
    const auto found = tempos_.find(handle);
    if (found == tempos_.end() || !std::isfinite(percents)) return 0.0f;
    const double bpm = double(found->second) * (100.0 + double(percents)) / 100.0;
    return static_cast<float>(-bpm / 100.0);
}

float Engine::tempoPercents(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play) return 0.0f;
    double rate = 0.0, volume = 0.0, pan = 0.0;
    readAttributes(channel, rate, volume, pan);
    return static_cast<float>((rate / channel.rate - 1.0) * 100.0);
}

bool Engine::freeTempo(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const bool hadTempo = tempos_.erase(handle) > 0;
    const HandleKind kind = HandleRegistry::kindOf(handle);
    if (kind == HandleKind::DecodeStream || kind == HandleKind::DecodeModule) {
        return handles_.remove(handle) || hadTempo;
    }
    return hadTempo;
}

bool Engine::freeTempoChannel(uint32_t handle) {
    std::lock_guard lock(mutex_);
    switch (HandleRegistry::kindOf(handle)) {
        case HandleKind::Stream:
            return freeChannel(handle, false);
        case HandleKind::Module:
            return freeChannel(handle, true);
        default:
            return false;
    }
}

std::shared_ptr<const TrackAnalysis> Engine::analysisOf(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    return channel.play ? channel.play->analysis : nullptr;
}

bool Engine::beatGrid(uint32_t handle, double* bpm, double* firstBeatSeconds, float* confidence) {
    const std::shared_ptr<const TrackAnalysis> analysis = analysisOf(handle);
    TrackGrid grid;
    if (!analysis || !analysis->finished(grid) || !grid) return false;
    if (bpm) *bpm = grid.bpm;
    if (firstBeatSeconds) *firstBeatSeconds = grid.firstBeatSeconds;
    if (confidence) *confidence = static_cast<float>(grid.confidence);
    return true;
}

}  // namespace luma
