#include "sync/link_session.h"

#include <ableton/Link.hpp>
#include <ableton/link/HostTimeFilter.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>

namespace luma {

namespace {
using Micros = std::chrono::microseconds;
// A period whose callback time strays this far from the filtered line means the
// output stopped calling for a while (a lost device, a restart): the line starts anew.
// Callbacks late by a few periods on a busy machine are not that.
constexpr Micros kFilterGap{200000};
constexpr double kMinBpm = 20.0, kMaxBpm = 999.0;  // what Link accepts
// The output clock's rate against the host's changes slowly: smoothed over about
// this many periods.
constexpr double kClockSmoothing = 200.0;
}  // namespace

struct LinkSession::Impl {
    ableton::Link link{120.0};
    // Audio thread only: output frames to the host time of their callback.
    ableton::link::HostTimeFilter<ableton::link::platform::Clock> filter;
    bool rendered = false;
    bool originSet = false;
    Micros origin{0};
    int64_t lastFrame = 0;
    // The host time of the previous period's first frame, and the smoothed seconds an
    // output frame lasts (0 until measured).
    Micros lastTime{0};
    double secondsPerFrame = 0.0;

    Micros hostTimeOf(int64_t outFrame, double outputRate) noexcept {
        const double seconds = static_cast<double>(outFrame) / outputRate;
        const auto offset = Micros(std::llround(seconds * 1e6));
        const Micros now = link.clock().micros();
        if (rendered) {
            if (!originSet || outFrame < lastFrame) {
                origin = now - offset;
                originSet = true;
            }
            lastFrame = outFrame;
            return origin + offset;
        }
        Micros time = filter.sampleTimeToHostTime(static_cast<double>(outFrame));
        if (std::chrono::abs(time - now) > kFilterGap) {
            filter.reset();
            time = filter.sampleTimeToHostTime(static_cast<double>(outFrame));
            secondsPerFrame = 0.0;
        } else if (outFrame > lastFrame && secondsPerFrame > 0.0) {
            const double measured = static_cast<double>((time - lastTime).count()) * 1e-6 /
                                    static_cast<double>(outFrame - lastFrame);
            secondsPerFrame += (measured - secondsPerFrame) / kClockSmoothing;
        } else {
            secondsPerFrame = 1.0 / outputRate;
        }
        lastFrame = outFrame;
        lastTime = time;
        return time;
    }

    // Nominal frames per output frame: 1 when the output keeps the host's time.
    double clockRatio(double outputRate) const noexcept {
        if (rendered || !(secondsPerFrame > 0.0)) return 1.0;
        // A ratio far from 1 is a measurement gone wrong, not a clock.
        return std::clamp(secondsPerFrame * outputRate, 0.98, 1.02);
    }
};

LinkSession::LinkSession() = default;

LinkSession::~LinkSession() {
    if (owned_) owned_->link.enable(false);
}

bool LinkSession::enable(bool on) {
    if (!owned_) {
        if (!on) return true;
        try {
            owned_ = std::make_unique<Impl>();
        } catch (const std::exception&) {
            return false;  // no threads or sockets to be had: sync is refused
        }
        impl_.store(owned_.get(), std::memory_order_release);
    }
    owned_->link.enable(on);
    enabled_.store(on, std::memory_order_release);
    return true;
}

uint32_t LinkSession::peers() const {
    if (!owned_ || !enabled()) return 0;
    return static_cast<uint32_t>(owned_->link.numPeers());
}

double LinkSession::tempo() const {
    if (!owned_ || !enabled()) return 0.0;
    return owned_->link.captureAppSessionState().tempo();
}

void LinkSession::proposeTempo(double bpm) {
    if (!owned_ || !enabled() || !std::isfinite(bpm)) return;
    auto state = owned_->link.captureAppSessionState();
    state.setTempo(std::clamp(bpm, kMinBpm, kMaxBpm), owned_->link.clock().micros());
    owned_->link.commitAppSessionState(state);
}

void LinkSession::useRenderedTime(bool rendered) noexcept {
    Impl* impl = impl_.load(std::memory_order_acquire);
    if (impl) {
        impl->originSet = false;
        impl->filter.reset();
    }
    renderedTime_ = rendered;
}

SessionBeats LinkSession::capture(int64_t outFrame, double outputRate, int latencyFrames) noexcept {
    SessionBeats beats;
    Impl* impl = impl_.load(std::memory_order_acquire);
    if (!impl || !enabled() || !(outputRate > 0.0)) return beats;
    impl->rendered = renderedTime_;
    const auto state = impl->link.captureAudioSessionState();
    const double latencySeconds =
        latencyFrames / outputRate + extraMs_.load(std::memory_order_relaxed) / 1000.0;
    const Micros heard =
        impl->hostTimeOf(outFrame, outputRate) + Micros(std::llround(latencySeconds * 1e6));
    beats.valid = true;
    beats.bpm = state.tempo();
    beats.outFrame = outFrame;
    beats.beat = state.beatAtTime(heard, 1.0);
    beats.clockRatio = impl->clockRatio(outputRate);
    beats.beatsPerFrame = beats.bpm / 60.0 / outputRate * beats.clockRatio;
    return beats;
}

}  // namespace luma
