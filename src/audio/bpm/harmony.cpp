#include "bpm/harmony.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

#include "bpm/fftw_planner.h"

namespace luma {
namespace {

constexpr int kHop = 1024;    // 8 onset hops: ~93 ms at 11 kHz
constexpr int kFrame = 2048;  // 5 Hz bins: a semitone apart from 110 Hz up
constexpr int kBins = kFrame / 2 + 1;
constexpr double kLowestHz = 110.0, kHighestHz = 1800.0;  // below, kicks; above, cymbals
constexpr int kSide = 3;  // chroma frames averaged either side of a moment: drums even out

fftwf_plan sharedPlan() {
    static std::once_flag once;
    static fftwf_plan plan = nullptr;
    std::call_once(once, [] {
        const std::lock_guard planning(fftwPlannerMutex());
        float* in = fftwf_alloc_real(kFrame);
        fftwf_complex* out = fftwf_alloc_complex(kBins);
        plan = fftwf_plan_dft_r2c_1d(kFrame, in, out, FFTW_ESTIMATE);
        fftwf_free(in);
        fftwf_free(out);
    });
    return plan;
}

}  // namespace

struct HarmonicChange::Spectrum {
    float* in = fftwf_alloc_real(kFrame);
    fftwf_complex* out = fftwf_alloc_complex(kBins);
    ~Spectrum() {
        fftwf_free(in);
        fftwf_free(out);
    }
};

HarmonicChange::HarmonicChange(double sampleRate, double maxSeconds)
    : maxFrames_(static_cast<std::size_t>(std::max(0.0, maxSeconds * sampleRate / kHop))),
      pitchClass_(kBins, 0),
      window_(kFrame),
      pending_(kFrame - kHop, 0.0f),
      spectrum_(std::make_unique<Spectrum>()) {
    for (int i = 0; i < kFrame; ++i) {
        window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kFrame));
    }
    firstBin_ =
        std::clamp(static_cast<int>(std::ceil(kLowestHz * kFrame / sampleRate)), 1, kBins - 2);
    lastBin_ = std::clamp(static_cast<int>(std::floor(kHighestHz * kFrame / sampleRate)) + 1,
                          firstBin_, kBins - 2);
    for (int k = firstBin_; k < lastBin_; ++k) {
        const long semitone = std::lround(12.0 * std::log2(k * sampleRate / kFrame / 440.0));
        pitchClass_[k] = static_cast<int>(((semitone % 12) + 12) % 12);
    }
    sharedPlan();
}

HarmonicChange::~HarmonicChange() = default;

void HarmonicChange::process(const float* low, std::size_t count) {
    std::size_t done = 0;
    while (done < count && chroma_.size() / 12 < maxFrames_) {
        const std::size_t take = std::min(count - done, kFrame - pending_.size());
        pending_.insert(pending_.end(), low + done, low + done + take);
        done += take;
        if (pending_.size() == kFrame) {
            analyseFrame();
            pending_.erase(pending_.begin(), pending_.begin() + kHop);
        }
    }
}

// Only local spectral peaks count, log-compressed: a tone's partials stand out of
// their neighbours, a drum's noise spreads evenly over the pitch classes.
void HarmonicChange::analyseFrame() {
    for (int i = 0; i < kFrame; ++i) spectrum_->in[i] = pending_[i] * window_[i];
    fftwf_execute_dft_r2c(sharedPlan(), spectrum_->in, spectrum_->out);
    float chroma[12] = {};
    auto power = [&](int k) {
        return spectrum_->out[k][0] * spectrum_->out[k][0] +
               spectrum_->out[k][1] * spectrum_->out[k][1];
    };
    float before = power(firstBin_ - 1), here = power(firstBin_);
    for (int k = firstBin_; k < lastBin_; ++k) {
        const float after = power(k + 1);
        if (here > before && here >= after) {
            chroma[pitchClass_[k]] += std::log1p(1000.0f * std::sqrt(here) / kFrame);
        }
        before = here, here = after;
    }
    chroma_.insert(chroma_.end(), chroma, chroma + 12);
}

std::vector<float> HarmonicChange::change() const {
    const std::size_t frames = chroma_.size() / 12;
    std::vector<float> change(frames, 0.0f);
    for (std::size_t h = kSide; h + kSide <= frames; ++h) {
        double before[12] = {}, after[12] = {};
        for (int s = 1; s <= kSide; ++s) {
            for (int c = 0; c < 12; ++c) {
                before[c] += chroma_[(h - s) * 12 + c];
                after[c] += chroma_[(h + s - 1) * 12 + c];
            }
        }
        double dot = 0, b2 = 0, a2 = 0;
        for (int c = 0; c < 12; ++c) {
            dot += before[c] * after[c], b2 += before[c] * before[c], a2 += after[c] * after[c];
        }
        if (b2 > 0 && a2 > 0) change[h] = static_cast<float>(1.0 - dot / std::sqrt(b2 * a2));
    }
    return change;
}

}  // namespace luma
