// Hand-written rather than libsamplerate or soxr: a deck's step runs from
// about 0.0002 (a brake sliding to 10 Hz) to 2.3 and beyond, and changes every
// output frame during a slide; neither library covers ratios that wide with a
// ratio that moves continuously.
#include "dsp/resampler.h"

#include <algorithm>
#include <cmath>

#include "dsp/sinc_convolve.h"
#include "dsp/sinc_tables.h"

namespace luma::dsp {

namespace {

// A change of kernel (the step crossed a cutoff class) is cross-faded over
// about 6 ms at 44.1 kHz: the kernels differ only near their cutoffs, so this
// is enough to keep a sudden change of top end from ticking.
constexpr int kFadeFrames = 256;

}  // namespace

VariableRateResampler::VariableRateResampler() : fadeDone_(kFadeFrames) {
    const SincTableBank& bank = SincTableBank::instance();
    const size_t span = static_cast<size_t>(kMaxStep * kMaxBlock) + 2;
    const size_t window = span + static_cast<size_t>(bank.maxTaps());
    windowLeft_.resize(window);
    windowRight_.resize(window);
    wholeFrame_.resize(kMaxBlock);
    fraction_.resize(kMaxBlock);
    fadeLeft_.resize(kMaxBlock);
    fadeRight_.resize(kMaxBlock);
}

void VariableRateResampler::continueWith(const VariableRateResampler& other) noexcept {
    kernelClass_ = other.kernelClass_;
    fadeDone_ = kFadeFrames;
}

VariableRateResampler::~VariableRateResampler() = default;

double VariableRateResampler::planPositions(const SourcePosition& pos, double step,
                                            double stepIncrement, int frames,
                                            double& endOffset) noexcept {
    double offset = pos.fraction;
    double largest = 0.0;
    for (int n = 0; n < frames; ++n) {
        double whole = std::floor(offset);
        double fraction = offset - whole;
        if (fraction >= 1.0) {  // a tiny negative offset rounds up to 1
            whole += 1.0;
            fraction = 0.0;
        }
        wholeFrame_[n] = static_cast<int32_t>(whole);
        fraction_[n] = fraction;
        const double current = std::clamp(step + n * stepIncrement, -kMaxStep, kMaxStep);
        largest = std::max(largest, std::abs(current));
        offset += current;
    }
    endOffset = offset;
    return largest;
}

void VariableRateResampler::render(ResamplerSource& source, SourcePosition& pos, double step,
                                   double stepIncrement, int frames, float* outLeft,
                                   float* outRight) noexcept {
    frames = std::clamp(frames, 0, kMaxBlock);
    step = std::isfinite(step) ? step : 0.0;
    stepIncrement = std::isfinite(stepIncrement) ? stepIncrement : 0.0;
    if (!(pos.fraction >= 0.0 && pos.fraction < 1.0)) {  // fold a stray fraction into the frame
        const double whole = std::floor(pos.fraction);
        const bool foldable = std::abs(whole) < 1e15;  // also false for NaN
        pos.frame += foldable ? static_cast<int64_t>(whole) : 0;
        pos.fraction = foldable ? pos.fraction - whole : 0.0;
        pos.fraction = pos.fraction < 1.0 ? pos.fraction : 0.0;
    }

    if (frames == 0) {
        return;
    }

    const bool plainCopy = step == 1.0 && stepIncrement == 0.0 && pos.fraction == 0.0;
    if (plainCopy && kernelClass_ == 0 && fadeDone_ >= kFadeFrames) {
        source.fetch(pos.frame, frames, outLeft, outRight);
        pos.frame += frames;
        return;
    }

    const SincTableBank& bank = SincTableBank::instance();
    double endOffset = 0.0;
    const double largestStep = planPositions(pos, step, stepIncrement, frames, endOffset);
    const int kernelClass = plainCopy ? 0 : bank.classFor(largestStep);
    if (kernelClass != kernelClass_) {
        fadeFromClass_ = kernelClass_;
        kernelClass_ = kernelClass;
        fadeDone_ = 0;
    }
    const bool fading = fadeDone_ < kFadeFrames;
    const SincTable& table = bank.table(kernelClass_);
    const int half = std::max(table.half(), fading ? bank.table(fadeFromClass_).half() : 0);

    const auto [first, last] =
        std::minmax_element(wholeFrame_.begin(), wholeFrame_.begin() + frames);
    const int32_t lowest = *first;
    const int32_t highest = *last;
    const int count = highest - lowest + 2 * half;
    source.fetch(pos.frame + lowest - half + 1, count, windowLeft_.data(), windowRight_.data());
    for (int n = 0; n < frames; ++n) {
        wholeFrame_[n] += half - 1 - lowest;  // now an index into the window
    }

    convolveBlock(table, wholeFrame_.data(), fraction_.data(), frames, windowLeft_.data(),
                  windowRight_.data(), outLeft, outRight);
    if (fading) {
        crossFade(frames, outLeft, outRight);
    }

    const double whole = std::floor(endOffset);
    pos.frame += static_cast<int64_t>(whole);
    pos.fraction = endOffset - whole;
    if (pos.fraction >= 1.0) {
        pos.frame += 1;
        pos.fraction = 0.0;
    }
}

void VariableRateResampler::crossFade(int frames, float* outLeft, float* outRight) noexcept {
    const int fadeFrames = std::min(frames, kFadeFrames - fadeDone_);
    convolveBlock(SincTableBank::instance().table(fadeFromClass_), wholeFrame_.data(),
                  fraction_.data(), fadeFrames, windowLeft_.data(), windowRight_.data(),
                  fadeLeft_.data(), fadeRight_.data());
    for (int n = 0; n < fadeFrames; ++n) {
        const float weight = static_cast<float>(fadeDone_ + n + 1) / kFadeFrames;
        outLeft[n] = fadeLeft_[n] + weight * (outLeft[n] - fadeLeft_[n]);
        outRight[n] = fadeRight_[n] + weight * (outRight[n] - fadeRight_[n]);
    }
    fadeDone_ += fadeFrames;
}

}  // namespace luma::dsp
