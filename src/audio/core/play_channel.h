// A channel that plays a Track to the output.
//
// Three sides share it: the control side (engine calls, under the engine's
// mutex), the audio thread (render and commands), and readers of the
// published values (atomics and the tap ring). The audio side is touched
// only by the audio thread, or by a control thread while the render gate is
// closed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "core/command.h"
#include "core/eq_effect.h"
#include "core/fading_voice.h"
#include "core/key_lock.h"
#include "core/linear_ramp.h"
#include "core/loop_source.h"
#include "core/position_history.h"
#include "core/tap_ring.h"
#include "core/track.h"
#include "core/track_analysis.h"
#include "core/track_loader.h"
#include "dsp/key_lock_shifter.h"
#include "dsp/resampler.h"
#include "sync/phase_lock.h"
#include "sync/session_beats.h"

namespace luma {

// What one render pass shares with every channel.
struct RenderContext {
    int64_t outFrame;  // output frame of the block's first frame
    double outputRate;
    int latencyFrames;
    float loudnessTargetLufs;             // kLoudnessOff: every track at its own level
    const SessionBeats* beats = nullptr;  // the Link session's, valid while some channel syncs
};

class PlayChannel {
  public:
    static constexpr int kMaxEffects = 16;
    static constexpr int kMaxBlock = 256;

    // `trackAnalysis` (may be null) is what the loader's thread learns about the track.
    PlayChannel(std::shared_ptr<Track> track, std::unique_ptr<TrackLoader> loader,
                std::shared_ptr<const TrackAnalysis> trackAnalysis, bool module);
    ~PlayChannel();

    const Track& track() const noexcept { return *track_; }
    bool isModule() const noexcept { return module_; }
    TrackLoader* loader() noexcept { return loader_.get(); }

    // ---- audio thread ----
    void apply(const Command& command, const RenderContext& context) noexcept;
    // Adds this channel's next `frames` (at most kMaxBlock) into mixLeft/mixRight.
    void render(const RenderContext& context, int frames, float* mixLeft, float* mixRight) noexcept;
    // Publishes position, attributes and play state after a render pass.
    void publish(const RenderContext& context, int64_t outEnd) noexcept;

    // ---- readers (any thread) ----
    int64_t heardFrame() const noexcept { return heardFrame_.load(std::memory_order_acquire); }
    bool playing() const noexcept { return playingNow_.load(std::memory_order_acquire); }
    double rateNow() const noexcept { return rateNow_.load(std::memory_order_acquire); }
    double volumeNow() const noexcept { return volumeNow_.load(std::memory_order_acquire); }
    double panNow() const noexcept { return panNow_.load(std::memory_order_acquire); }
    uint32_t acknowledged() const noexcept { return ack_.load(std::memory_order_acquire); }
    const TapRing& taps() const noexcept { return taps_; }
    int64_t tapEnd() const noexcept { return tapEnd_.load(std::memory_order_acquire); }

    // ---- control side (engine mutex held) ----
    struct Pending {
        uint32_t generation = 0;   // last command sent
        uint32_t positionGen = 0;  // last seek sent
        int64_t position = 0;      // its target
        uint32_t attributesGen = 0;
        double rate = 0, volume = 1, pan = 0;  // values right after the pending commands
    } pending;
    std::array<std::unique_ptr<EqEffect>, kMaxEffects> ownedEffects;  // control side owns
    std::array<uint32_t, kMaxEffects> effectHandles{};
    int effectCount = 0;
    std::shared_ptr<const TrackAnalysis> analysis;  // filled on the loader's thread
    struct Sync {
        bool asked = false;       // sync on, whether or not it could lock yet
        bool engaged = false;     // the audio side has the grid and follows the session
        bool linkFailed = false;  // Link could not start here
        TrackGrid grid;
        double referenceHz = 0;
    } sync;
    bool keyLock = false;                                 // as last sent
    std::unique_ptr<dsp::KeyLockShifter> keyLockShifter;  // the one last sent; control side owns

  private:
    void changeLoop(const Command& command, const RenderContext& context) noexcept;
    void keyLockOn(dsp::KeyLockShifter* shifter, const RenderContext& context) noexcept;
    void keyLockOff(const RenderContext& context) noexcept;
    // While key lock is on, the reading runs ahead of the output by the
    // shifter's delay: this is `context` on the reading's time.
    RenderContext reading(const RenderContext& context) const noexcept;
    double speed() const noexcept;
    // What plays from now on fades in from `reading` (or the present one) at pos_.
    void fadeFrom(const LoopSource& reading, const RenderContext& context) noexcept;
    void fadeFromHere(const RenderContext& context) noexcept { fadeFrom(source_, context); }
    // Sync: how many of the block's frames stay silent before a start on the session's
    // beat, and the rate and phase for the rest of the block.
    int waitForBeat(const RenderContext& context, int frames) noexcept;
    // `heardLater`: frames between the reading's time and the sound's (key lock's drift).
    void followSession(const RenderContext& context, int heardLater) noexcept;
    void jumpBy(double frames, const RenderContext& context) noexcept;
    static void fadeIn(float* left, float* right, int frames) noexcept;
    void renderSource(const RenderContext& context, int frames, float* left, float* right) noexcept;
    int framesBefore(int64_t limit, double step, double increment, int frames) const noexcept;
    double position() const noexcept { return static_cast<double>(pos_.frame) + pos_.fraction; }
    // Takes up a new loudness target or a measurement just finished: glides to the
    // pre-gain they give while sound plays, jumps to it otherwise.
    void followLoudness(const RenderContext& context, bool glide) noexcept;

    std::shared_ptr<Track> track_;
    std::unique_ptr<TrackLoader> loader_;
    bool module_;

    // Audio side.
    LoopSource source_;  // the track, read through the loop region
    dsp::VariableRateResampler resampler_;
    dsp::SourcePosition pos_;
    FadingVoice fading_;  // the reading before a jump, a stop or a loop change, faded out
    KeyLock keyLock_;
    bool playing_ = false;
    bool loop_ = false;
    LinearRamp rate_;  // Hz, the channel's own
    PhaseLock phaseLock_;
    double syncScale_ = 1.0;  // the rate played is the own rate times this
    bool waitingForBeat_ = false;
    LinearRamp volume_;                    // 0..1
    LinearRamp pan_;                       // -1..1
    LinearRamp loudness_;                  // the track's pre-gain, linear
    float loudnessTarget_ = kLoudnessOff;  // what loudness_ was last set for
    bool loudnessMeasured_ = false;
    float gainLeft_ = 0, gainRight_ = 0;  // applied gains, glided to avoid zipper noise
    std::array<EqEffect*, kMaxEffects> effects_{};
    int effectsActive_ = 0;
    PositionHistory history_;
    std::array<float, kMaxBlock> left_{}, right_{};

    // Published.
    std::atomic<int64_t> heardFrame_{0};
    std::atomic<bool> playingNow_{false};
    std::atomic<double> rateNow_{0}, volumeNow_{1}, panNow_{0};
    std::atomic<uint32_t> ack_{0};
    std::atomic<int64_t> tapEnd_{0};
    TapRing taps_;
};

}  // namespace luma
