#include "sync/link_session.h"

#include <ableton/Link.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>

#include "sync/output_clock.h"

namespace luma {

namespace {
using Micros = std::chrono::microseconds;
constexpr double kMinBpm = 20.0, kMaxBpm = 999.0;  // what Link accepts
}  // namespace

struct LinkSession::Impl {
    ableton::Link link{120.0};
    // Audio thread only.
    OutputClock clock;
    bool rendered = false;
    bool originSet = false;
    Micros origin{0};
    int64_t lastFrame = 0;
    // The output's own time of its present period, when it tells.
    bool timed = false;
    int64_t timedFrame = 0;
    double timedMicros = 0.0, timedPerFrame = 0.0;

    // The host time output frame `outFrame` leaves the output at.
    Micros hostTimeOf(int64_t outFrame, double outputRate) noexcept {
        const Micros now = link.clock().micros();
        // A period is at most a few thousand frames: older timing is stale.
        constexpr int64_t kTimedFrames = 16384;
        if (!rendered && timed && outFrame >= timedFrame && outFrame - timedFrame < kTimedFrames) {
            const double micros =
                timedMicros + static_cast<double>(outFrame - timedFrame) * timedPerFrame;
            return Micros(std::llround(micros));
        }
        if (!rendered) {
            const double micros =
                clock.update(outFrame, static_cast<double>(now.count()), outputRate);
            return Micros(std::llround(micros));
        }
        const auto offset = Micros(std::llround(static_cast<double>(outFrame) / outputRate * 1e6));
        if (!originSet || outFrame < lastFrame) {
            origin = now - offset;
            originSet = true;
        }
        lastFrame = outFrame;
        return origin + offset;
    }
    double clockRatio(double outputRate) const noexcept {
        if (rendered) return 1.0;
        if (timed) return std::clamp(timedPerFrame * outputRate * 1e-6, 0.98, 1.02);
        return clock.clockRatio(outputRate);
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
        impl->clock.reset();
        impl->timed = false;
    }
    renderedTime_ = rendered;
}

void LinkSession::periodTiming(int64_t outFrame, double startedMicrosAgo,
                               double microsPerFrame) noexcept {
    Impl* impl = impl_.load(std::memory_order_acquire);
    if (!impl || !std::isfinite(startedMicrosAgo) || !(microsPerFrame > 0.0)) return;
    impl->timed = true;
    impl->timedFrame = outFrame;
    impl->timedMicros = static_cast<double>(impl->link.clock().micros().count()) - startedMicrosAgo;
    impl->timedPerFrame = microsPerFrame;
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
