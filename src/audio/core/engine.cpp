#include "core/engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <thread>

#include "core/magnitude_spectrum.h"
#include "include/lumaaudio.h"

namespace luma {

namespace {

constexpr int kMinRate = 10;
constexpr int kMaxRate = 100000;
constexpr int kPreBufferTimeoutMs = 2000;
constexpr int kManualLoadTimeoutMs = 60000;
constexpr uint32_t kInfoSize = 56;
constexpr uint32_t kSoundSystemVersion = 9;
constexpr double kLevelWindowSeconds = 0.020;

// Generations wrap; compare them as a window.
bool reached(uint32_t acknowledged, uint32_t generation) {
    return static_cast<int32_t>(acknowledged - generation) >= 0;
}

}  // namespace

Engine& Engine::instance() {
    static Engine engine;
    return engine;
}

Engine::~Engine() {
    std::lock_guard lock(mutex_);
    shutDownLocked();
}

const char* Engine::deviceDescription(uint32_t device) {
    std::lock_guard lock(mutex_);
    // Callers enumerate from 0 upwards: refresh the list there, so that a
    // device plugged in (or a server started) since shows up.
    if (device == 0 || deviceNames_.empty()) {
        deviceNames_.clear();
        for (std::string& name : listOutputDevices(outputSelectionFromEnvironment())) {
            // Every text handed out stays valid for the engine's lifetime: a
            // caller on another thread may still read one after a refresh.
            deviceNames_.push_back(knownNames_.insert(std::move(name)).first->c_str());
        }
    }
    if (device >= deviceNames_.size()) return nullptr;
    return deviceNames_[device];
}

void Engine::setOutputOptions(const OutputOptions& options) {
    std::lock_guard lock(mutex_);
    options_ = options;
}

bool Engine::init(int device, uint32_t rate, uint32_t flags) {
    std::lock_guard lock(mutex_);
    if (initialised_) return false;
    selection_ = outputSelectionFromEnvironment();
    const int requested =
        rate == 0 ? 44100 : static_cast<int>(std::clamp<uint32_t>(rate, 8000, 192000));
    double outputRate = requested;
    int latency = 0;
    if (selection_.kind == OutputKind::Manual) {
        if (device != 0 && device != -1) return false;
    } else {
        auto output = makeOutput(selection_, options_, device);
        if (!output || !output->open(device, requested, &mixer_)) return false;
        outputRate = output->sampleRate();
        latency = output->latencyFrames();
        output_ = std::move(output);
    }
    mixer_.gate().close();
    mixer_.configure(outputRate, latency);
    mixer_.attachSession(&link_);
    link_.useRenderedTime(selection_.kind == OutputKind::Manual);
    initialised_ = true;
    started_ = false;
    outputLost_ = false;
    lostUnderruns_ = 0;
    initFlags_ = flags;
    startWatch();
    return true;
}

bool Engine::start() {
    std::lock_guard lock(mutex_);
    if (!initialised_) return false;
    if (started_) return true;
    if (outputLost_) {  // plays when the output is back
        started_ = true;
        return true;
    }
    mixer_.gate().open();
    if (output_ && !output_->start()) {
        mixer_.gate().close();
        return false;
    }
    started_ = true;
    return true;
}

bool Engine::stop() {
    std::lock_guard lock(mutex_);
    if (!initialised_) return false;
    if (output_) output_->stop();
    mixer_.gate().close();
    mixer_.applyPending();
    started_ = false;
    collectRetired();
    return true;
}

void Engine::free() {
    std::lock_guard lock(mutex_);
    shutDownLocked();
}

void Engine::shutDownLocked() {
    if (!initialised_) return;
    // A reopening in progress may hang on a server that does not answer;
    // it is left to finish alone and then gives up.
    watch_.stop(std::chrono::milliseconds(200));
    if (output_) output_->stop();
    mixer_.gate().close();
    mixer_.applyPending();
    // Every channel leaves the mixer before it is destroyed.
    mixer_.forgetChannels();
    link_.enable(false);
    syncAsked_ = syncEngaged_ = 0;
    handles_.clear();
    playChannels_ = 0;
    retired_.clear();
    tempos_.clear();
    closeOutput(std::move(output_));
    initialised_ = false;
    started_ = false;
}

bool Engine::initialised() {
    std::lock_guard lock(mutex_);
    return initialised_;
}

bool Engine::info(uint32_t* fields) {
    std::lock_guard lock(mutex_);
    if (!initialised_ || !fields || fields[0] != kInfoSize) return false;
    std::fill_n(fields + 1, 13, 0u);
    fields[6] = kMinRate;
    fields[7] = kMaxRate;
    fields[10] = kSoundSystemVersion;
    fields[11] =
        static_cast<uint32_t>(std::lround(1000.0 * mixer_.latencyFrames() / mixer_.outputRate()));
    fields[12] = initFlags_;
    fields[13] = 2;
    return true;
}

uint32_t Engine::underruns() {
    std::lock_guard lock(mutex_);
    return static_cast<uint32_t>(lostUnderruns_ + (output_ ? output_->underruns() : 0));
}

void Engine::send(Command command) {
    constexpr int kPatienceMs = 1000;
    for (int waited = 0; !mixer_.post(command); ++waited) {
        if (!mixer_.gate().isOpen()) {
            mixer_.applyPending();
        } else if (waited >= kPatienceMs) {
            // The output has stopped calling back (a stalled device): take
            // its place for a moment rather than hang the caller.
            mixer_.gate().close();
            mixer_.applyPending();
            mixer_.gate().open();
        } else {
            // The audio thread drains the queue every period.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // With the output stopped nobody else will apply it: do it now, so that
    // the channel's published state is always current.
    if (!mixer_.gate().isOpen()) mixer_.applyPending();
}

uint32_t Engine::nextGeneration(PlayChannel& channel) {
    return ++channel.pending.generation;
}

bool Engine::setGlobalVolumes(int music, int stream) {
    std::lock_guard lock(mutex_);
    if (!initialised_) return false;
    Command command;
    command.type = Command::Type::GlobalVolumes;
    if (music >= 0) command.musicVolume = static_cast<float>(std::min(music, 100)) / 100.0f;
    if (stream >= 0) command.streamVolume = static_cast<float>(std::min(stream, 100)) / 100.0f;
    send(command);
    return true;
}

uint32_t Engine::createStream(const char* path, uint32_t flags) {
    if (!path) return 0;
    std::unique_ptr<Decoder> decoder = openStreamDecoder(path);
    if (!decoder) return 0;
    std::lock_guard lock(mutex_);
    return openChannel(std::move(decoder), false, flags);
}

uint32_t Engine::loadModule(const char* path, uint32_t flags) {
    if (!path) return 0;
    std::unique_ptr<Decoder> decoder = openModuleDecoder(path);
    if (!decoder) return 0;
    std::lock_guard lock(mutex_);
    return openChannel(std::move(decoder), true, flags);
}

uint32_t Engine::openChannel(std::unique_ptr<Decoder> decoder, bool module, uint32_t flags) {
    if (!initialised_) return 0;
    collectRetired();
    const DecoderInfo info = decoder->info();
    if (info.sampleRate <= 0 || info.channels < 1 || info.channels > 2) return 0;
    const bool mono = !module && (flags & LUMA_STREAM_MONO) != 0;
    try {
        if (flags & LUMA_STREAM_DECODE) {
            auto channel = std::make_shared<DecodeChannel>(std::move(decoder), mono);
            return handles_.add(module ? HandleKind::DecodeModule : HandleKind::DecodeStream,
                                channel);
        }
        if (playChannels_ >= Mixer::kMaxChannels) return 0;
        const int channels = mono ? 1 : info.channels;
        auto track = std::make_shared<Track>(info.sampleRate, channels, info.frames, info.kind);
        // The analysis waits for the whole track and runs on the loader's thread, which
        // the channel's end stops and joins: a channel freed meanwhile cancels it.
        auto analysis = std::make_shared<TrackAnalysis>();
        auto loader = std::make_unique<TrackLoader>(
            std::move(decoder), track, mono && info.channels == 2,
            [analysis](const Track& loaded, const std::stop_token& stop) {
                analysis->run(loaded, stop);
            });
        auto channel =
            std::make_shared<PlayChannel>(track, std::move(loader), std::move(analysis), module);
        const uint32_t handle =
            handles_.add(module ? HandleKind::Module : HandleKind::Stream, channel);
        if (handle == 0) return 0;
        ++playChannels_;
        Command command;
        command.type = Command::Type::AddChannel;
        command.channel = channel.get();
        send(command);
        return handle;
    } catch (const std::bad_alloc&) {
        return 0;  // a header promising more than memory holds
    }
}

bool Engine::freeStream(uint32_t handle) {
    std::lock_guard lock(mutex_);
    return freeChannel(handle, false);
}

bool Engine::freeModule(uint32_t handle) {
    std::lock_guard lock(mutex_);
    return freeChannel(handle, true);
}

bool Engine::freeChannel(uint32_t handle, bool module) {
    const HandleKind kind = HandleRegistry::kindOf(handle);
    const HandleKind played = module ? HandleKind::Module : HandleKind::Stream;
    const HandleKind decodeOnly = module ? HandleKind::DecodeModule : HandleKind::DecodeStream;
    if (kind == decodeOnly) {
        tempos_.erase(handle);
        return handles_.remove(handle);
    }
    if (kind != played) return false;
    auto channel = handles_.find<PlayChannel>(handle, played);
    if (!channel) return false;
    releaseSync(*channel);
    for (int i = 0; i < channel->effectCount; ++i) handles_.remove(channel->effectHandles[i]);
    handles_.remove(handle);
    --playChannels_;
    Command command;
    command.type = Command::Type::RemoveChannel;
    command.channel = channel.get();
    send(command);
    retired_.push_back({std::move(channel), mixer_.epoch()});
    collectRetired();
    return true;
}

void Engine::collectRetired() {
    // A channel may be destroyed once the audio thread can no longer hold
    // it: the gate is shut, or a whole render pass began after its removal.
    const bool shut = !mixer_.gate().isOpen();
    if (shut) mixer_.applyPending();
    const uint64_t epoch = mixer_.epoch();
    std::erase_if(retired_, [&](const Retired& r) { return shut || epoch >= r.epoch + 2; });
    std::erase_if(retiredShifters_,
                  [&](const RetiredShifter& r) { return shut || epoch >= r.epoch + 2; });
}

Engine::Resolved Engine::resolve(uint32_t handle) {
    Resolved resolved;
    switch (HandleRegistry::kindOf(handle)) {
        case HandleKind::Stream:
        case HandleKind::Module:
            resolved.play = handles_.find<PlayChannel>(handle, HandleRegistry::kindOf(handle));
            if (resolved.play) {
                const Track& track = resolved.play->track();
                resolved.bytesPerFrame = 2 * track.channels();
                resolved.rate = track.sampleRate();
                resolved.frames = track.frames();
            }
            break;
        case HandleKind::DecodeStream:
        case HandleKind::DecodeModule:
            resolved.decode = handles_.find<DecodeChannel>(handle, HandleRegistry::kindOf(handle));
            if (resolved.decode) {
                resolved.bytesPerFrame = 2 * resolved.decode->channels();
                resolved.rate = resolved.decode->sampleRate();
                resolved.frames = resolved.decode->frames();
            }
            break;
        default:
            break;
    }
    return resolved;
}

uint64_t Engine::length(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel) return UINT64_MAX;
    return static_cast<uint64_t>(channel.frames) * channel.bytesPerFrame;
}

bool Engine::preBuffer(uint32_t handle) {
    std::shared_ptr<PlayChannel> channel;
    int64_t frame = 0;
    {
        std::lock_guard lock(mutex_);
        channel = resolve(handle).play;
        if (!channel) return false;
        frame = readPosition(*channel);
    }
    return channel->loader()->waitFor(frame, kPreBufferTimeoutMs);
}

bool Engine::play(uint32_t handle, bool loop) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play) return false;
    Command command;
    command.type = Command::Type::Play;
    command.channel = channel.play.get();
    command.loop = loop;
    command.generation = nextGeneration(*channel.play);
    send(command);
    return true;
}

bool Engine::stopChannel(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play) return false;
    Command command;
    command.type = Command::Type::Stop;
    command.channel = channel.play.get();
    command.generation = nextGeneration(*channel.play);
    send(command);
    return true;
}

int64_t Engine::readPosition(const PlayChannel& channel) const {
    // A seek not yet taken up by the audio thread is reported at once.
    if (!reached(channel.acknowledged(), channel.pending.positionGen))
        return channel.pending.position;
    return channel.heardFrame();
}

uint64_t Engine::position(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel) return UINT64_MAX;
    const int64_t frame = channel.play ? readPosition(*channel.play) : channel.decode->position();
    return static_cast<uint64_t>(frame) * channel.bytesPerFrame;
}

bool Engine::setPosition(uint32_t handle, uint64_t bytes) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel) return false;
    const uint64_t frame = bytes / static_cast<uint64_t>(channel.bytesPerFrame);
    if (frame > static_cast<uint64_t>(channel.frames)) return false;
    if (channel.decode) return channel.decode->seek(static_cast<int64_t>(frame));
    PlayChannel& play = *channel.play;
    Command command;
    command.type = Command::Type::Seek;
    command.channel = &play;
    command.frame = static_cast<int64_t>(frame);
    command.generation = nextGeneration(play);
    play.pending.positionGen = command.generation;
    play.pending.position = command.frame;
    send(command);
    return true;
}

float Engine::seconds(uint32_t handle, uint64_t bytes) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel) return -1.0f;
    const double frames = static_cast<double>(bytes) / channel.bytesPerFrame;
    return static_cast<float>(frames / channel.rate);
}

void Engine::readAttributes(const Resolved& channel, double& rate, double& volume,
                            double& pan) const {
    rate = channel.rate;
    volume = 1.0;
    pan = 0.0;
    if (!channel.play) return;
    const PlayChannel& play = *channel.play;
    // Until the audio thread takes up the last change, report its outcome.
    if (reached(play.acknowledged(), play.pending.attributesGen)) {
        rate = play.rateNow();
        volume = play.volumeNow();
        pan = play.panNow();
    } else {
        rate = play.pending.rate;
        volume = play.pending.volume;
        pan = play.pending.pan;
    }
}

bool Engine::attributes(uint32_t handle, uint32_t* rate, uint32_t* volume, int32_t* pan) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel) return false;
    double r, v, p;
    readAttributes(channel, r, v, p);
    if (rate) *rate = static_cast<uint32_t>(std::lround(r));
    if (volume) *volume = static_cast<uint32_t>(std::lround(v * 100.0));
    if (pan) *pan = static_cast<int32_t>(std::lround(p * 100.0));
    return true;
}

bool Engine::slide(uint32_t handle, int32_t rate, int32_t volume, int32_t pan, uint32_t ms) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play) return false;
    PlayChannel& play = *channel.play;
    // The values right now, before this command: where a slide starts from.
    double r, v, p;
    readAttributes(channel, r, v, p);
    Command command;
    command.type = Command::Type::Slide;
    command.channel = &play;
    if (rate != -1) {
        command.rateHz = rate == 0 ? channel.rate : std::clamp(rate, kMinRate, kMaxRate);
    }
    if (volume != -1) command.volume = std::clamp(volume, 0, 100) / 100.0;
    if (pan != -101) command.pan = std::clamp(pan, -100, 100) / 100.0;
    command.slideFrames = static_cast<int64_t>(std::llround(ms * mixer_.outputRate() / 1000.0));
    command.generation = nextGeneration(play);
    const bool instant = command.slideFrames == 0;
    play.pending.rate = instant && command.rateHz >= 0 ? command.rateHz : r;
    play.pending.volume = instant && command.volume >= 0 ? command.volume : v;
    play.pending.pan = instant && command.pan >= -1.0 ? command.pan : p;
    play.pending.attributesGen = command.generation;
    send(command);
    return true;
}

uint32_t Engine::level(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play || !channel.play->playing()) return UINT32_MAX;
    const int window = static_cast<int>(kLevelWindowSeconds * mixer_.outputRate());
    std::vector<float> left(window), right(window);
    const int64_t end = std::min(channel.play->tapEnd(), mixer_.heardOutFrame());
    if (!channel.play->taps().read(end, window, left.data(), right.data())) return UINT32_MAX;
    float peakLeft = 0, peakRight = 0;
    for (int i = 0; i < window; ++i) {
        peakLeft = std::max(peakLeft, std::fabs(left[i]));
        peakRight = std::max(peakRight, std::fabs(right[i]));
    }
    const auto scale = [](float peak) {
        return static_cast<uint32_t>(std::min(128L, std::lround(peak * 128.0f)));
    };
    return scale(peakLeft) | (scale(peakRight) << 16);
}

uint32_t Engine::data(uint32_t handle, void* buffer, uint32_t length) {
    std::shared_ptr<DecodeChannel> decode;
    {
        std::lock_guard lock(mutex_);
        if (!buffer) return UINT32_MAX;
        const Resolved channel = resolve(handle);
        if (!channel) return UINT32_MAX;
        if ((length & 0x80000000u) != 0) {
            if (!channel.play || !channel.play->playing() || (length & ~0x80000003u) != 0) {
                return UINT32_MAX;
            }
            const int size = 512 << (length & 3);
            std::vector<float> left(size), right(size), mono(size);
            const int64_t end = std::min(channel.play->tapEnd(), mixer_.heardOutFrame());
            if (!channel.play->taps().read(end, size, left.data(), right.data())) return UINT32_MAX;
            for (int i = 0; i < size; ++i) mono[i] = 0.5f * (left[i] + right[i]);
            if (!magnitudeSpectrum(mono.data(), size, static_cast<float*>(buffer)))
                return UINT32_MAX;
            return static_cast<uint32_t>(size / 2 * sizeof(float));
        }
        if (!channel.decode) return UINT32_MAX;
        decode = channel.decode;
    }
    // Decoding takes time: done outside the engine lock.
    const bool asFloat = (length & LUMA_DATA_FLOAT) != 0;
    const uint32_t bytes = length & ~LUMA_DATA_FLOAT;
    const int sampleBytes = asFloat ? 4 : 2;
    const int64_t frames = bytes / (sampleBytes * decode->channels());
    const int64_t got = asFloat ? decode->read(static_cast<float*>(buffer), frames)
                                : decode->read(static_cast<int16_t*>(buffer), frames);
    return static_cast<uint32_t>(got * sampleBytes * decode->channels());
}

uint32_t Engine::addEffect(uint32_t handle, uint32_t type) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play || type != LUMA_FX_PARAMEQ) return 0;
    PlayChannel& play = *channel.play;
    if (play.effectCount >= PlayChannel::kMaxEffects) return 0;
    auto effect = std::make_unique<EqEffect>();
    EqEffect* raw = effect.get();
    const uint32_t fx =
        handles_.add(HandleKind::Effect, std::make_shared<EffectRef>(EffectRef{&play, raw}));
    if (fx == 0) return 0;
    play.ownedEffects[play.effectCount] = std::move(effect);
    play.effectHandles[play.effectCount] = fx;
    ++play.effectCount;
    Command command;
    command.type = Command::Type::AddEffect;
    command.channel = &play;
    command.effect = raw;
    command.centreHz = raw->parameters.centerHz;
    command.bandwidth = raw->parameters.bandwidthSemitones;
    command.gainDb = raw->parameters.gainDb;
    command.generation = nextGeneration(play);
    send(command);
    return fx;
}

bool Engine::setEffect(uint32_t effect, const void* parameters) {
    std::lock_guard lock(mutex_);
    auto ref = handles_.find<EffectRef>(effect, HandleKind::Effect);
    if (!ref || !parameters) return false;
    const auto* given = static_cast<const LUMA_PARAMEQ*>(parameters);
    if (!std::isfinite(given->centerHz) || !std::isfinite(given->bandwidthSemitones) ||
        !std::isfinite(given->gainDb)) {
        return false;
    }
    const float nyquistLimit = static_cast<float>(0.45 * mixer_.outputRate());
    LUMA_PARAMEQ& stored = ref->effect->parameters;
    stored.centerHz = std::clamp(given->centerHz, 20.0f, nyquistLimit);
    stored.bandwidthSemitones = std::clamp(given->bandwidthSemitones, 1.0f, 36.0f);
    stored.gainDb = std::clamp(given->gainDb, -15.0f, 15.0f);
    Command command;
    command.type = Command::Type::SetEffect;
    command.channel = ref->channel;
    command.effect = ref->effect;
    command.centreHz = stored.centerHz;
    command.bandwidth = stored.bandwidthSemitones;
    command.gainDb = stored.gainDb;
    command.generation = nextGeneration(*ref->channel);
    send(command);
    return true;
}

bool Engine::getEffect(uint32_t effect, void* parameters) {
    std::lock_guard lock(mutex_);
    auto ref = handles_.find<EffectRef>(effect, HandleKind::Effect);
    if (!ref || !parameters) return false;
    *static_cast<LUMA_PARAMEQ*>(parameters) = ref->effect->parameters;
    return true;
}

bool Engine::renderManual(float* interleaved, uint32_t frames) {
    if (!interleaved) return false;
    std::vector<std::shared_ptr<PlayChannel>> loading;
    {
        std::lock_guard lock(mutex_);
        if (!initialised_ || selection_.kind != OutputKind::Manual) {
            std::fill_n(interleaved, static_cast<size_t>(frames) * 2, 0.0f);
            return false;
        }
        for (HandleKind kind : {HandleKind::Stream, HandleKind::Module}) {
            handles_.forEach<PlayChannel>(kind, [&](std::shared_ptr<PlayChannel> channel) {
                if (!channel->track().fullyLoaded()) loading.push_back(std::move(channel));
            });
        }
    }
    // Offline rendering may outrun the loader; it waits for it, so that what
    // is rendered is always what a listener would hear.
    for (const auto& channel : loading) channel->loader()->waitUntilLoaded(kManualLoadTimeoutMs);
    return mixer_.render(interleaved, static_cast<int>(frames));
}

}  // namespace luma
