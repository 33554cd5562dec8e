// This process's place in an Ableton Link session: tempo and beat phase
// shared with other programs on the network (peers find each other by
// multicast; on one machine over loopback).
//
// Link starts on the first enable() and is enabled only while some channel
// asks for sync, so that a process that never syncs sends nothing. The
// control side (enable, tempo, peers) runs under the engine's mutex; the
// audio thread calls capture() once per period, which uses only Link's
// real-time-safe audio session state and never blocks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "sync/session_beats.h"

namespace luma {

class LinkSession {
  public:
    LinkSession();
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // ---- control side ----
    // Joins (or leaves) the session; false when Link cannot start here.
    bool enable(bool on);
    bool enabled() const noexcept { return enabled_.load(std::memory_order_acquire); }
    // Other peers in the session (0 when disabled).
    uint32_t peers() const;
    // The session's tempo (0 when disabled).
    double tempo() const;
    // Sets the session's tempo from now on, keeping its beat phase continuous.
    void proposeTempo(double bpm);
    // Milliseconds added to the output latency when output frames are mapped to host time,
    // for outputs that report theirs wrongly.
    void setExtraLatencyMs(int ms) noexcept { extraMs_.store(ms, std::memory_order_relaxed); }
    // Offline rendering (the manual output) runs on a timeline of its own: output frames
    // count as if played in real time from the first capture on. Only with the render gate
    // closed.
    void useRenderedTime(bool rendered) noexcept;

    // ---- audio thread ----
    // The session's beats for output frame `outFrame` on, a period's first frame, heard
    // `latencyFrames` later. Invalid while disabled.
    SessionBeats capture(int64_t outFrame, double outputRate, int latencyFrames) noexcept;
    // From an output that knows when its periods begin: the period from output frame
    // `outFrame` on began `startedMicrosAgo` ago, its frames lasting `microsPerFrame`.
    // Preferred to the times of the callbacks, which a busy machine delays.
    void periodTiming(int64_t outFrame, double startedMicrosAgo, double microsPerFrame) noexcept;

  private:
    struct Impl;
    std::unique_ptr<Impl> owned_;
    std::atomic<Impl*> impl_{nullptr};  // what the audio thread sees once Link has started
    std::atomic<bool> enabled_{false};
    std::atomic<int> extraMs_{0};
    bool renderedTime_ = false;  // set with the render gate closed
};

}  // namespace luma
