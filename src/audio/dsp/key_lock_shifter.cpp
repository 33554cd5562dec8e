#include "dsp/key_lock_shifter.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace luma::dsp {

namespace {
using Stretcher = RubberBand::RubberBandStretcher;
constexpr Stretcher::Options kOptions =
    Stretcher::OptionProcessRealTime | Stretcher::OptionEngineFiner | Stretcher::OptionWindowShort |
    Stretcher::OptionPitchHighConsistency | Stretcher::OptionChannelsTogether;
// Beyond these speeds (a brake's end, a slow jog) the key follows the speed:
// holding it would ask for shifts the stretcher renders as noise.
constexpr double kMinPitch = 0.5, kMaxPitch = 2.0;
// Pitches go to the stretcher in steps of 1/480 (at most 3.6 cents apart,
// 1.8 within the pitch fader's range): Rubber Band's resampler grows its
// phase table, allocating, the first time it meets a ratio that needs a
// bigger one, and of these steps the ones nearest 1/2, 1 and 2 need the
// biggest. The constructor meets them first.
constexpr double kPitchSteps = 480.0;
constexpr int kLargestTables[] = {959, 241, 959, 241, 479, 481};  // twice: it keeps two states

void feedSilence(Stretcher& stretcher, size_t frames, bool drain = false) {
    std::array<float, KeyLockShifter::kMaxBlock> zeros{};
    const float* planes[2] = {zeros.data(), zeros.data()};
    while (frames > 0) {
        const size_t n = std::min(frames, zeros.size());
        stretcher.process(planes, n, false);
        frames -= n;
        std::array<float, KeyLockShifter::kMaxBlock> scrapLeft{}, scrapRight{};
        float* scrap[2] = {scrapLeft.data(), scrapRight.data()};
        while (drain && stretcher.available() > 0) {
            stretcher.retrieve(scrap, std::min<size_t>(scrapLeft.size(), stretcher.available()));
        }
    }
}
}  // namespace

KeyLockShifter::KeyLockShifter(double sampleRate)
    : stretcher_(std::make_unique<Stretcher>(static_cast<size_t>(std::lround(sampleRate)), 2,
                                             kOptions, 1.0, 1.0)) {
    stretcher_->setMaxProcessSize(kMaxBlock);
    for (const int step : kLargestTables) {
        stretcher_->setPitchScale(step / kPitchSteps);
        feedSilence(*stretcher_, kMaxBlock, true);
    }
    stretcher_->reset();  // keeps the tables
    stretcher_->setPitchScale(1.0);
    // The padding the stretcher asks for goes in first and the start delay it
    // reports is dropped from its output: then output frame k is input frame k.
    // Beyond that, the delay is twice the start delay plus a block, which
    // covers the most the stretcher lags behind at any speed we shift for;
    // it is fed as silence now, so that each block then takes out what it
    // puts in.
    const auto startDelay = static_cast<int>(stretcher_->getStartDelay());
    delay_ = 2 * startDelay + kMaxBlock;
    discard_ = startDelay;
    startDelay_ = startDelay;
    feedSilence(*stretcher_, stretcher_->getPreferredStartPad() + static_cast<size_t>(delay_));
}

KeyLockShifter::~KeyLockShifter() = default;

int KeyLockShifter::driftFrames() const noexcept {
    return static_cast<int>(stretcher_->getStartDelay()) - startDelay_;
}

void KeyLockShifter::setSpeed(double speed) noexcept {
    const double magnitude = std::abs(speed);
    const double exact =
        magnitude > 0.0 ? std::clamp(1.0 / magnitude, kMinPitch, kMaxPitch) : kMaxPitch;
    const double pitch = std::round(exact * kPitchSteps) / kPitchSteps;
    if (pitch != pitch_) {
        stretcher_->setPitchScale(pitch);
        pitch_ = pitch;
    }
}

void KeyLockShifter::process(const float* inLeft, const float* inRight, int frames, double speed,
                             float* outLeft, float* outRight) noexcept {
    setSpeed(speed);
    const float* in[2] = {inLeft, inRight};
    stretcher_->process(in, static_cast<size_t>(frames), false);
    std::array<float, kMaxBlock> scrapLeft{}, scrapRight{};
    while (discard_ > 0) {
        const int available = std::max(0, stretcher_->available());
        if (available == 0) break;
        const int n = static_cast<int>(std::min<int64_t>({discard_, available, kMaxBlock}));
        float* scrap[2] = {scrapLeft.data(), scrapRight.data()};
        stretcher_->retrieve(scrap, static_cast<size_t>(n));
        discard_ -= n;
    }
    int got = 0;
    if (discard_ == 0) {
        float* out[2] = {outLeft, outRight};
        // Never more than it has: asked for more, it writes a warning to stderr.
        const int ready = std::min(frames, std::max(0, stretcher_->available()));
        got = static_cast<int>(stretcher_->retrieve(out, static_cast<size_t>(ready)));
    }
    if (got < frames) {
        std::fill(outLeft + got, outLeft + frames, 0.0f);
        std::fill(outRight + got, outRight + frames, 0.0f);
        shortfall_ += frames - got;
    }
}

}  // namespace luma::dsp
