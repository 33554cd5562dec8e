#include "core/play_channel.h"

#include <algorithm>
#include <cmath>

namespace luma {

namespace {
// A pre-gain that arrives while the track plays is faded in over this long: heard as
// a gentle ride of the gain, not a step.
constexpr double kLoudnessGlideSeconds = 0.3;
}  // namespace

PlayChannel::PlayChannel(std::shared_ptr<Track> track, std::unique_ptr<TrackLoader> loader,
                         std::shared_ptr<const TrackAnalysis> trackAnalysis, bool module)
    : analysis(std::move(trackAnalysis)),
      track_(std::move(track)),
      loader_(std::move(loader)),
      module_(module),
      source_(*track_),
      fading_(*track_),
      keyLock_(*track_) {
    rate_.jumpTo(track_->sampleRate());
    volume_.jumpTo(1.0);
    pan_.jumpTo(0.0);
    loudness_.jumpTo(1.0);
    pending.rate = track_->sampleRate();
    rateNow_.store(track_->sampleRate());
    history_.restart(0, 0.0);
}

PlayChannel::~PlayChannel() = default;

void PlayChannel::apply(const Command& command, const RenderContext& context) noexcept {
    switch (command.type) {
        case Command::Type::Play:
            if (!playing_) {
                playing_ = true;
                history_.add(reading(context).outFrame, position());
                taps_.startAt(context.outFrame);
                // From silence: the gains glide up over the first block.
                gainLeft_ = gainRight_ = 0.0f;
                followLoudness(context, false);
                waitingForBeat_ = phaseLock_.engaged();
            }
            loop_ = command.loop;
            break;
        case Command::Type::Stop:
            if (playing_) {
                fadeFromHere(context);  // into silence
                playing_ = false;
                waitingForBeat_ = false;
                history_.add(reading(context).outFrame, position());
            }
            break;
        case Command::Type::Seek:
            if (playing_) fadeFromHere(context);
            pos_ = {command.frame, 0.0};
            history_.restart(reading(context).outFrame, static_cast<double>(command.frame));
            heardFrame_.store(command.frame, std::memory_order_release);
            source_.moved(command.frame);
            if (loader_) loader_->want(command.frame);
            break;
        case Command::Type::SetLoop:
            changeLoop(command, context);
            break;
        case Command::Type::Slide:
            if (command.rateHz >= 0) rate_.glideTo(command.rateHz, command.slideFrames);
            if (command.volume >= 0) volume_.glideTo(command.volume, command.slideFrames);
            if (command.pan >= -1.0) pan_.glideTo(command.pan, command.slideFrames);
            break;
        case Command::Type::SetSync:
            if (command.loop) {
                const PhaseLock::Grid grid{command.gridBpm, command.gridFirstBeatFrame,
                                           static_cast<double>(track_->sampleRate())};
                phaseLock_.engage(grid, command.referenceHz);
            } else {
                phaseLock_.release();
                waitingForBeat_ = false;
            }
            break;
        case Command::Type::SetKeyLock:
            if (command.loop) {
                keyLockOn(command.shifter, context);
            } else {
                keyLockOff(context);
            }
            break;
        case Command::Type::AddEffect:
            if (effectsActive_ < kMaxEffects) {
                effects_[effectsActive_++] = command.effect;
                command.effect->filter.setSampleRate(context.outputRate);
                command.effect->filter.reset();
                command.effect->filter.setTarget(command.centreHz, command.bandwidth,
                                                 command.gainDb);
            }
            break;
        case Command::Type::SetEffect:
            command.effect->filter.setTarget(command.centreHz, command.bandwidth, command.gainDb);
            break;
        default:
            break;
    }
    rateNow_.store(rate_.current, std::memory_order_release);
    volumeNow_.store(volume_.current, std::memory_order_release);
    panNow_.store(pan_.current, std::memory_order_release);
    playingNow_.store(playing_, std::memory_order_release);
    ack_.store(command.generation, std::memory_order_release);
}

void PlayChannel::followLoudness(const RenderContext& context, bool glide) noexcept {
    float lufs = 0, truePeakDb = 0;
    const bool measured = analysis && analysis->loudness().result(lufs, truePeakDb);
    if (measured == loudnessMeasured_ && context.loudnessTargetLufs == loudnessTarget_) return;
    loudnessMeasured_ = measured;
    loudnessTarget_ = context.loudnessTargetLufs;
    const float gainDb = measured ? loudnessGainDb(loudnessTarget_, lufs, truePeakDb) : 0.0f;
    // 0 dB is exactly 1: a track left alone plays its own samples.
    const double gain = gainDb == 0.0f ? 1.0 : std::pow(10.0, gainDb / 20.0);
    if (glide) {
        loudness_.glideTo(gain, static_cast<int64_t>(kLoudnessGlideSeconds * context.outputRate));
    } else {
        loudness_.jumpTo(gain);
    }
}

void PlayChannel::changeLoop(const Command& command, const RenderContext& context) noexcept {
    const LoopSource before = source_;
    if (command.loop) {
        source_.set(command.frame, command.loopEnd, pos_.frame);
        if (loader_) loader_->want(source_.nextToLoad(pos_.frame));
    } else {
        source_.off();
    }
    if (playing_ && !source_.readsAs(before)) fadeFrom(before, context);
}

RenderContext PlayChannel::reading(const RenderContext& context) const noexcept {
    RenderContext ahead = context;
    ahead.outFrame += keyLock_.lead();
    return ahead;
}

double PlayChannel::speed() const noexcept {
    return rate_.current * syncScale_ / static_cast<double>(track_->sampleRate());
}

void PlayChannel::keyLockOn(dsp::KeyLockShifter* shifter, const RenderContext& context) noexcept {
    if (keyLock_.on() || shifter == nullptr) return;
    keyLock_.engage(shifter, speed());
    const int lead = keyLock_.lead();
    // From here on, what is read for output frame k is heard at k + drift:
    // the history's time moves back by the drift where the reading stands now.
    const int drift = keyLock_.drift();
    history_.rewindTo(context.outFrame - drift, position());
    if (playing_) {
        const double scale = syncScale_ / context.outputRate;
        const double increment = rate_.moving() ? rate_.perFrame * scale : 0.0;
        keyLock_.bridge(source_, pos_, resampler_, rate_.current * scale, increment);
        // The reading moves on to what is heard once the shifter's delay has
        // passed; the bridge plays what comes before.
        RenderContext ahead = context;
        ahead.outFrame -= drift;
        for (int done = 0; done < lead + drift && playing_;) {
            const int n = std::min(kMaxBlock, lead + drift - done);
            renderSource(ahead, n, left_.data(), right_.data());
            ahead.outFrame += n;
            done += n;
        }
    }
    history_.add(context.outFrame + lead, position());
}

void PlayChannel::keyLockOff(const RenderContext& context) noexcept {
    if (!keyLock_.on()) return;
    const double heard = history_.positionAt(context.outFrame - keyLock_.drift());
    keyLock_.release();
    // The reading comes back to what is heard now; a jump it made in the
    // meantime is undone, unless it was a seek (the history starts there).
    history_.rewindTo(context.outFrame, playing_ ? heard : position());
    if (!playing_) return;
    fading_.cancel();
    const double whole = std::floor(heard);
    pos_ = {static_cast<int64_t>(whole), heard - whole};
    source_.moved(pos_.frame);
    if (loader_) loader_->want(pos_.frame);
}

void PlayChannel::fadeFrom(const LoopSource& reading, const RenderContext& context) noexcept {
    const double scale = syncScale_ / context.outputRate;
    const double increment = rate_.moving() ? rate_.perFrame * scale : 0.0;
    fading_.start(reading, pos_, resampler_, rate_.current * scale, increment);
}

int PlayChannel::framesBefore(int64_t limit, double step, double increment,
                              int frames) const noexcept {
    // Steps summed exactly as the resampler sums them, from the same origin,
    // so that both agree on the output frame where `limit` is crossed.
    constexpr double kMaxStep = dsp::VariableRateResampler::kMaxStep;
    const double room = static_cast<double>(limit - pos_.frame);
    double offset = pos_.fraction;
    for (int k = 0; k < frames; ++k) {
        if (offset >= room) return k;
        offset += std::clamp(step + k * increment, -kMaxStep, kMaxStep);
    }
    return frames;
}

void PlayChannel::renderSource(const RenderContext& context, int frames, float* left,
                               float* right) noexcept {
    const int64_t length = track_->frames();
    int done = 0;
    while (done < frames) {
        int segment = frames - done;
        if (rate_.moving()) segment = static_cast<int>(std::min<int64_t>(segment, rate_.remaining));
        const double scale = syncScale_ / context.outputRate;
        const double step = rate_.current * scale;
        const double increment = rate_.moving() ? rate_.perFrame * scale : 0.0;
        // A loop region lies within the track: its end comes first.
        const bool looping = source_.armed();
        const int n = framesBefore(looping ? source_.end() : length, step, increment, segment);
        if (n > 0) {
            resampler_.render(source_, pos_, step, increment, n, left + done, right + done);
            rate_.advance(n);
            done += n;
        }
        if (n == segment) continue;
        // The end of the loop or of the track falls inside this segment.
        const int64_t out = context.outFrame + done;
        if (looping || (loop_ && length > 0)) {
            history_.add(out, position());
            if (looping) {
                source_.wrap(pos_);
            } else {
                pos_.frame %= length;
                source_.moved(pos_.frame);
            }
            history_.add(out, position());
        } else {
            pos_ = {length, 0.0};
            playing_ = false;
            history_.add(out, static_cast<double>(length));
            std::fill(left + done, left + frames, 0.0f);
            std::fill(right + done, right + frames, 0.0f);
            break;
        }
    }
}

void PlayChannel::render(const RenderContext& context, int frames, float* mixLeft,
                         float* mixRight) noexcept {
    if (!playing_ && !fading_.active() && !keyLock_.sounding()) return;
    followLoudness(context, true);
    float* left = left_.data();
    float* right = right_.data();
    const bool sounds = playing_ || fading_.active();
    if (playing_) {
        const RenderContext ahead = reading(context);
        history_.add(ahead.outFrame, position());
        RenderContext heard = ahead;  // where the block's first frame is heard
        heard.outFrame += keyLock_.drift();
        const int silent = waitForBeat(heard, frames);
        std::fill_n(left, silent, 0.0f);
        std::fill_n(right, silent, 0.0f);
        if (silent < frames) {
            RenderContext from = ahead;
            from.outFrame += silent;
            if (silent > 0) history_.add(from.outFrame, position());
            followSession(from, keyLock_.drift());
            renderSource(from, frames - silent, left + silent, right + silent);
            if (silent > 0) fadeIn(left + silent, right + silent, frames - silent);
        }
        if (loader_ && !track_->fullyLoaded()) loader_->want(source_.nextToLoad(pos_.frame));
    } else {
        std::fill_n(left, frames, 0.0f);  // stopped: only the fade-out sounds
        std::fill_n(right, frames, 0.0f);
    }
    if (fading_.active()) fading_.blendInto(left, right, frames);
    keyLock_.process(left, right, frames, speed(), !sounds);

    dsp::PeakingEq* filters[kMaxEffects];
    for (int i = 0; i < effectsActive_; ++i) filters[i] = &effects_[i]->filter;
    dsp::PeakingEq::processChain(filters, effectsActive_, left, right, frames);

    // Pan and the loudness pre-gain follow their slides block by block; the
    // gains glide linearly across each block so that no step is ever heard.
    // The channel's volume is kept for the record only: the global volume
    // alone sets how loud it is.
    volume_.advance(frames);
    pan_.advance(frames);
    loudness_.advance(frames);
    const double pan = std::clamp(pan_.current, -1.0, 1.0);
    const double loudness = loudness_.current;
    const auto targetLeft = static_cast<float>(std::min(1.0, 1.0 - pan) * loudness);
    const auto targetRight = static_cast<float>(std::min(1.0, 1.0 + pan) * loudness);
    const float stepLeft = (targetLeft - gainLeft_) / static_cast<float>(frames);
    const float stepRight = (targetRight - gainRight_) / static_cast<float>(frames);
    for (int i = 0; i < frames; ++i) {
        const float gl = gainLeft_ + stepLeft * static_cast<float>(i + 1);
        const float gr = gainRight_ + stepRight * static_cast<float>(i + 1);
        left[i] *= gl;
        right[i] *= gr;
        mixLeft[i] += left[i];
        mixRight[i] += right[i];
    }
    gainLeft_ = targetLeft;
    gainRight_ = targetRight;
    taps_.write(context.outFrame, left, right, frames);
    tapEnd_.store(context.outFrame + frames, std::memory_order_release);
}

int PlayChannel::waitForBeat(const RenderContext& context, int frames) noexcept {
    if (!waitingForBeat_) return 0;
    if (!phaseLock_.engaged() || !context.beats || !context.beats->valid) {
        waitingForBeat_ = false;
        return 0;
    }
    const int64_t wait = phaseLock_.framesToNextBeat(*context.beats, context.outFrame, position());
    if (wait >= frames) return frames;
    waitingForBeat_ = false;
    return static_cast<int>(wait);
}

void PlayChannel::followSession(const RenderContext& context, int heardLater) noexcept {
    if (!phaseLock_.engaged() || !context.beats) {
        syncScale_ = 1.0;
        return;
    }
    const PhaseLock::Step step = phaseLock_.follow(*context.beats, context.outFrame + heardLater,
                                                   position(), rate_.current, rate_.moving());
    // The reading before the jump fades out at the rate it was moving at.
    if (step.jumpFrames != 0.0) jumpBy(step.jumpFrames, context);
    syncScale_ = step.scale;
}

void PlayChannel::jumpBy(double frames, const RenderContext& context) noexcept {
    const double target = position() + frames;
    const double end = static_cast<double>(source_.armed() ? source_.end() : track_->frames());
    // Near the track's start or end, or a loop's end, the nudge alone closes the gap.
    if (target < 0.0 || target >= end) return;
    fadeFromHere(context);
    history_.add(context.outFrame, position());
    const double whole = std::floor(target);
    pos_ = {static_cast<int64_t>(whole), target - whole};
    source_.moved(pos_.frame);
    history_.add(context.outFrame, position());
    if (loader_) loader_->want(pos_.frame);
}

void PlayChannel::fadeIn(float* left, float* right, int frames) noexcept {
    // A start on the session's beat falls inside a block, where the gains' glide
    // has nearly ended: the first frames rise on their own.
    constexpr int kFadeInFrames = 64;
    const int n = std::min(frames, kFadeInFrames);
    for (int i = 0; i < n; ++i) {
        const float gain = static_cast<float>(i + 1) / kFadeInFrames;
        left[i] *= gain;
        right[i] *= gain;
    }
}

void PlayChannel::publish(const RenderContext& context, int64_t outEnd) noexcept {
    const double heard = source_.folded(
        context.latencyFrames == 0 && keyLock_.lead() == 0
            ? position()
            : history_.positionAt(outEnd - context.latencyFrames - keyLock_.drift()));
    const double clamped = std::clamp(heard, 0.0, static_cast<double>(track_->frames()));
    // Steps such as 44100/48000 are not exact in binary: a position that
    // should land on a whole frame may fall a hair short of it.
    constexpr double kHair = 1e-6;
    int64_t frame = static_cast<int64_t>(std::floor(clamped + kHair));
    // ...but a position inside the loop never reads as its end.
    if (source_.armed() && clamped < static_cast<double>(source_.end())) {
        frame = std::min(frame, source_.end() - 1);
    }
    heardFrame_.store(frame, std::memory_order_release);
    rateNow_.store(rate_.current, std::memory_order_release);
    volumeNow_.store(volume_.current, std::memory_order_release);
    panNow_.store(pan_.current, std::memory_order_release);
    playingNow_.store(playing_, std::memory_order_release);
}

}  // namespace luma
