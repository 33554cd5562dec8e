#include "bpm/onset_strength.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

#include "bpm/fast_log.h"
#include "bpm/fftw_planner.h"

namespace luma {
namespace {

constexpr int kFrame = 512;  // 46 ms at 11 kHz: two periods of a 45 Hz kick
constexpr int kHop = 128;
constexpr int kBins = kFrame / 2 + 1;
constexpr int kUsedBins = kFrame / 2;  // the Nyquist bin belongs to no band
constexpr double kBandEdgesHz[kAirBand] = {30, 120, 500, 2500};  // the last runs to Nyquist
// Compression: log(1 + gain * magnitude), magnitude 1 for a full-scale sine. The gain
// sets where the curve turns from linear to logarithmic, about -60 dBFS per bin.
constexpr float kCompressionGain = 1000.0f;
// Quiet music is raised towards this level (RMS of the band below ~5 kHz, 1 for a
// full-scale sine's peak) before compression, at most by kMostBoost, so that its
// onsets are compressed as a normal recording's are. The level follows the music's
// loud parts: it rises within about kRiseSeconds and falls over kFallSeconds.
constexpr float kReferenceLevel = 0.05f, kMostBoost = 1e4f;
constexpr double kRiseSeconds = 0.5, kFallSeconds = 10.0;

// One plan for all detectors, made once and kept: FFTW's planner is not
// thread-safe, its new-array execute is.
fftwf_plan sharedPlan() {
    static std::once_flag once;
    static fftwf_plan plan = nullptr;
    std::call_once(once, [] {
        const std::lock_guard planning(fftwPlannerMutex());
        float* in = fftwf_alloc_real(kFrame);
        float* real = fftwf_alloc_real(kBins);
        float* imaginary = fftwf_alloc_real(kBins);
        // Real and imaginary parts in separate arrays: the per-bin loops vectorise.
        fftwf_iodim dimension{kFrame, 1, 1};
        plan = fftwf_plan_guru_split_dft_r2c(1, &dimension, 0, nullptr, in, real, imaginary,
                                             FFTW_ESTIMATE);
        fftwf_free(in);
        fftwf_free(real);
        fftwf_free(imaginary);
    });
    return plan;
}

// The per-bin loops take their arrays as restrict parameters: only then does the
// compiler trust they do not overlap, and vectorise.
void applyWindow(const float* __restrict frame, const float* __restrict window,
                 float* __restrict windowed) {
    for (int i = 0; i < kFrame; ++i) windowed[i] = frame[i] * window[i];
}

// Each bin's rise in log magnitude since the last frame; `previous` becomes this frame's.
void logRises(const float* __restrict real, const float* __restrict imaginary, float boost,
              float* __restrict previous, float* __restrict rise) {
    // Half the log of the power is the log of the magnitude, without a square root.
    const float scale = 4.0f / kFrame * kCompressionGain * boost;  // 2 / (kFrame / 2)
    const float scaleSquared = scale * scale;
    for (int k = 0; k < kUsedBins; ++k) {
        const float power = real[k] * real[k] + imaginary[k] * imaginary[k];
        const float logMagnitude = 0.5f * fastLog(1.0f + scaleSquared * power);
        rise[k] = std::max(0.0f, logMagnitude - previous[k]);
        previous[k] = logMagnitude;
    }
}

}  // namespace

struct OnsetStrength::Spectrum {
    float* in = fftwf_alloc_real(kFrame);
    float* real = fftwf_alloc_real(kBins);
    float* imaginary = fftwf_alloc_real(kBins);
    ~Spectrum() {
        fftwf_free(in);
        fftwf_free(real);
        fftwf_free(imaginary);
    }
};

OnsetStrength::OnsetStrength(double sampleRate, double maxSeconds)
    : frameRate_(sampleRate / kHop),
      levelRise_(static_cast<float>(1.0 - std::exp(-1.0 / (kRiseSeconds * frameRate_)))),
      levelFall_(static_cast<float>(std::exp(-1.0 / (kFallSeconds * frameRate_)))),
      maxFrames_(static_cast<std::size_t>(std::max(0.0, maxSeconds * frameRate_))),
      pending_(kFrame - kHop, 0.0f),  // the first frame ends one hop into the audio
      pendingAir_(kFrame - kHop, 0.0f),
      window_(kFrame),
      previous_(kUsedBins, 0.0f),
      spectrum_(std::make_unique<Spectrum>()) {
    for (int i = 0; i < kFrame; ++i) {
        window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kFrame));
    }
    const double binHz = sampleRate / kFrame;
    for (int band = 0; band < kAirBand; ++band) {
        bandStart_[band] =
            std::clamp(static_cast<int>(std::ceil(kBandEdgesHz[band] / binHz)), 1, kUsedBins);
    }
    bandStart_[kAirBand] = kUsedBins;
    sharedPlan();
}

OnsetStrength::~OnsetStrength() = default;

void OnsetStrength::process(const float* low, const float* air, std::size_t count) {
    std::size_t done = 0;
    while (done < count && frames() < maxFrames_) {
        const std::size_t take = std::min(count - done, kFrame - pending_.size());
        pending_.insert(pending_.end(), low + done, low + done + take);
        pendingAir_.insert(pendingAir_.end(), air + done, air + done + take);
        done += take;
        if (pending_.size() == kFrame) {
            analyseFrame();
            pending_.erase(pending_.begin(), pending_.begin() + kHop);
            pendingAir_.erase(pendingAir_.begin(), pendingAir_.begin() + kHop);
        }
    }
}

float OnsetStrength::followLevel() {
    float power = 0.0f;
    for (int i = kFrame - kHop; i < kFrame; ++i) power += pending_[i] * pending_[i];
    meanPower_ += levelRise_ * (power / kHop - meanPower_);
    level_ = std::max(std::sqrt(meanPower_), level_ * levelFall_);
    return std::min(kMostBoost, kReferenceLevel / std::max(level_, kReferenceLevel / kMostBoost));
}

void OnsetStrength::analyseFrame() {
    const float boost = std::max(1.0f, followLevel());
    applyWindow(pending_.data(), window_.data(), spectrum_->in);
    fftwf_execute_split_dft_r2c(sharedPlan(), spectrum_->in, spectrum_->real, spectrum_->imaginary);
    alignas(32) float rise[kUsedBins];
    logRises(spectrum_->real, spectrum_->imaginary, boost, previous_.data(), rise);
    for (int band = 0; band < kAirBand; ++band) {
        // Four running sums, so the adds do not wait on each other.
        float a = 0.0f, b = 0.0f, c = 0.0f, d = 0.0f;
        int k = bandStart_[band];
        for (; k + 4 <= bandStart_[band + 1]; k += 4) {
            a += rise[k], b += rise[k + 1], c += rise[k + 2], d += rise[k + 3];
        }
        for (; k < bandStart_[band + 1]; ++k) a += rise[k];
        const int bins = std::max(1, bandStart_[band + 1] - bandStart_[band]);
        values_.push_back((a + b + c + d) / static_cast<float>(bins));
        float level = 0.0f;
        for (k = bandStart_[band]; k < bandStart_[band + 1]; ++k) level += previous_[k];
        levels_.push_back(level / static_cast<float>(bins));
    }

    // The air band's power over the frame's central hop, compressed the same way.
    float power = 0.0f;
    for (int i = (kFrame - kHop) / 2; i < (kFrame + kHop) / 2; ++i) {
        power += pendingAir_[i] * pendingAir_[i];
    }
    const float airGain = kCompressionGain * boost;
    const float air = 0.5f * fastLog(1.0f + airGain * airGain * power / kHop);
    values_.push_back(std::max(0.0f, air - previousAir_));
    levels_.push_back(air);
    previousAir_ = air;
}

}  // namespace luma
