// The engine behind the C interface: output device, channels, effects.
// One per process. Control calls take `mutex_`; the audio thread never
// does: it hears of changes through the mixer's command queue.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/decode_channel.h"
#include "core/handle_registry.h"
#include "core/mixer.h"
#include "core/play_channel.h"
#include "core/watch_thread.h"
#include "output/output.h"
#include "sync/link_session.h"

namespace luma {

class Engine {
  public:
    static Engine& instance();
    ~Engine();

    const char* deviceDescription(uint32_t device);
    void setOutputOptions(const OutputOptions& options);
    bool init(int device, uint32_t rate, uint32_t flags);
    bool start();
    bool stop();
    void free();
    bool info(uint32_t* fields);
    bool initialised();
    bool setGlobalVolumes(int music, int stream);
    float cpu() const { return mixer_.cpuPercent(); }
    uint32_t underruns();

    uint32_t createStream(const char* path, uint32_t flags);
    uint32_t loadModule(const char* path, uint32_t flags);
    bool freeStream(uint32_t handle);
    bool freeModule(uint32_t handle);

    uint64_t length(uint32_t handle);
    bool preBuffer(uint32_t handle);
    bool play(uint32_t handle, bool loop);
    bool stopChannel(uint32_t handle);
    uint64_t position(uint32_t handle);
    bool setPosition(uint32_t handle, uint64_t bytes);
    float seconds(uint32_t handle, uint64_t bytes);
    bool attributes(uint32_t handle, uint32_t* rate, uint32_t* volume, int32_t* pan);
    bool slide(uint32_t handle, int32_t rate, int32_t volume, int32_t pan, uint32_t ms);
    uint32_t level(uint32_t handle);
    uint32_t data(uint32_t handle, void* buffer, uint32_t length);

    uint32_t addEffect(uint32_t handle, uint32_t type);
    bool setEffect(uint32_t effect, const void* parameters);
    bool getEffect(uint32_t effect, void* parameters);

    bool renderManual(float* interleaved, uint32_t frames);

    // The beat grid measured in the background once a played channel's track is decoded;
    // false while unknown, or for a track without a steady beat.
    bool beatGrid(uint32_t handle, double* bpm, double* firstBeatSeconds, float* confidence);

    // Even loudness (engine_loudness.cpp): the target in LUFS, or kLoudnessOff; and
    // what a played channel's track measured, false until it is measured.
    static constexpr float kMinLoudnessTarget = -40.0f;
    static constexpr float kMaxLoudnessTarget = -5.0f;
    bool setLoudnessTarget(float lufs);
    bool loudness(uint32_t handle, float* lufs, float* truePeakDb, float* gainDb);

    // Tempo and beat sync over Link (engine_sync.cpp); the states are lumaaudio.h's.
    int32_t setSync(uint32_t handle, bool on);
    int32_t syncState(uint32_t handle, double* sessionBpm, uint32_t* peers);
    bool setSyncTempo(uint32_t handle, double bpm);
    void setSyncLatency(int32_t extraMs);

    // Loop region of a played channel (engine_loop.cpp).
    bool setLoop(uint32_t handle, int64_t startBytes, int64_t endBytes, bool on);

    // Key lock of a played channel (engine_key_lock.cpp): the speed changes, the key stays.
    bool setKeyLock(uint32_t handle, bool on);
    int32_t keyLock(uint32_t handle);  // 1 on, 0 off, -1 no played channel

    // Tempo detection (engine_tempo.cpp).
    using TempoProgress = void (*)(uint32_t handle, float percent);
    float detectTempo(uint32_t handle, float startSeconds, float endSeconds, uint32_t minMaxBpm,
                      TempoProgress progress);
    float tempoAt(uint32_t handle, float percents);
    float tempoPercents(uint32_t handle);
    bool freeTempo(uint32_t handle);
    bool freeTempoChannel(uint32_t handle);

  private:
    Engine() = default;

    // What a channel handle resolves to: exactly one of the two is set.
    struct Resolved {
        std::shared_ptr<PlayChannel> play;
        std::shared_ptr<DecodeChannel> decode;
        int bytesPerFrame = 0;
        int rate = 0;
        int64_t frames = 0;
        explicit operator bool() const { return play || decode; }
    };
    Resolved resolve(uint32_t handle);
    // What a played channel's track measured, taken under the lock; null for no played channel.
    std::shared_ptr<const TrackAnalysis> analysisOf(uint32_t handle);
    void readAttributes(const Resolved& channel, double& rate, double& volume, double& pan) const;
    uint32_t openChannel(std::unique_ptr<Decoder> decoder, bool module, uint32_t flags);
    bool freeChannel(uint32_t handle, bool module);
    void send(Command command);
    uint32_t nextGeneration(PlayChannel& channel);
    int64_t readPosition(const PlayChannel& channel) const;
    void collectRetired();
    void shutDownLocked();
    // Sync, under the mutex: locks an asked-for channel once its grid is known; ends a
    // channel's sync (its end, or sync off).
    void engageSync(PlayChannel& channel);
    void releaseSync(PlayChannel& channel);
    void sendSync(PlayChannel& channel, bool on);
    int32_t syncStateOf(const PlayChannel& channel) const;

    // Keeping the output alive (engine_output.cpp): the watch notices an
    // output that failed or stopped calling, sets it aside and opens its
    // successor once the device is back.
    struct Watch {
        std::unique_ptr<Output> replacement;  // while the output is lost
        uint64_t periods = 0;
        int quietTicks = 0;
        int ticksSinceTry = 0;
        int rate = 0;
    };
    void startWatch();
    void watchOutput(Watch& watch, const std::atomic<bool>& ending);
    std::unique_ptr<Output> setAsideLostOutput(Watch& watch);
    void installOutput(std::unique_ptr<Output> output);
    static void closeOutput(std::unique_ptr<Output> output);

    struct EffectRef {
        PlayChannel* channel;  // valid while the effect's handle is registered
        EqEffect* effect;
    };
    struct Retired {
        std::shared_ptr<PlayChannel> channel;
        uint64_t epoch;
    };
    struct RetiredShifter {
        std::unique_ptr<dsp::KeyLockShifter> shifter;
        uint64_t epoch;
    };

    std::mutex mutex_;
    OutputSelection selection_;
    std::set<std::string> knownNames_;  // never shrinks: its texts are handed out
    std::vector<const char*> deviceNames_;
    OutputOptions options_;
    std::unique_ptr<Output> output_;  // null while a lost output is being reopened
    bool outputLost_ = false;
    uint64_t lostUnderruns_ = 0;  // counted by outputs set aside
    WatchThread watch_;
    bool initialised_ = false;
    bool started_ = false;
    uint32_t initFlags_ = 0;
    Mixer mixer_;
    HandleRegistry handles_;
    int playChannels_ = 0;  // the mixer has room for Mixer::kMaxChannels
    std::vector<Retired> retired_;
    std::vector<RetiredShifter> retiredShifters_;
    std::unordered_map<uint32_t, float> tempos_;  // detected BPM by analysed handle
    LinkSession link_;
    int syncAsked_ = 0;  // channels with sync on
    int syncEngaged_ =
        0;  // of those, the ones that follow the session: Link is enabled while any do
};

}  // namespace luma
