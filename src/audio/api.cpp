// The C interface: each function hands over to the engine. Nothing here
// may throw across the boundary.
#include <algorithm>
#include <exception>

#include "core/engine.h"
#include "include/lumaaudio.h"

using luma::Engine;

namespace {

// Turns any escaping exception into the call's failure value.
template <typename Result, typename Call>
Result guarded(Result failure, Call&& call) noexcept {
    try {
        return call();
    } catch (...) {
        return failure;
    }
}

Engine& engine() {
    return Engine::instance();
}

}  // namespace

extern "C" {

LUMA_API uint32_t BASS_GetVersion(void) {
    return 1u | (8u << 16);
}

LUMA_API const char* BASS_GetDeviceDescription(uint32_t device) {
    return guarded<const char*>(nullptr, [&] { return engine().deviceDescription(device); });
}

LUMA_API void LUMA_SetOutputOptions(const char* clientName, uint32_t latencyMs) {
    guarded(0, [&] {
        luma::OutputOptions options;
        if (clientName != nullptr) options.clientName = clientName;
        options.latencyMs = static_cast<int>(std::min<uint32_t>(latencyMs, 2000));
        engine().setOutputOptions(options);
        return 0;
    });
}

LUMA_API int32_t BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void*) {
    return guarded(0, [&] { return engine().init(device, freq, flags) ? 1 : 0; });
}

LUMA_API int32_t BASS_Start(void) {
    return guarded(0, [&] { return engine().start() ? 1 : 0; });
}

LUMA_API int32_t BASS_Stop(void) {
    return guarded(0, [&] { return engine().stop() ? 1 : 0; });
}

LUMA_API void BASS_Free(void) {
    guarded(0, [&] {
        engine().free();
        return 0;
    });
}

LUMA_API int32_t BASS_GetInfo(uint32_t* info14) {
    return guarded(0, [&] { return engine().info(info14) ? 1 : 0; });
}

LUMA_API int32_t BASS_SetBufferLength(float) {
    return guarded(0, [&] { return engine().initialised() ? 1 : 0; });
}

LUMA_API int32_t BASS_SetGlobalVolumes(int32_t music, int32_t, int32_t stream) {
    return guarded(0, [&] { return engine().setGlobalVolumes(music, stream) ? 1 : 0; });
}

LUMA_API float BASS_GetCPU(void) {
    return engine().cpu();
}

LUMA_API uint32_t LUMA_GetUnderruns(void) {
    return engine().underruns();
}

LUMA_API uint32_t BASS_StreamCreateFile(int32_t mem, const char* file, uint32_t offset,
                                        uint32_t length, uint32_t flags) {
    if (mem != 0 || offset != 0 || length != 0) return 0;
    return guarded(0u, [&] { return engine().createStream(file, flags); });
}

LUMA_API uint32_t BASS_MusicLoad(int32_t mem, const char* file, uint32_t offset, uint32_t length,
                                 uint32_t flags) {
    if (mem != 0 || offset != 0 || length != 0) return 0;
    return guarded(0u, [&] { return engine().loadModule(file, flags); });
}

LUMA_API int32_t BASS_StreamFree(uint32_t handle) {
    return guarded(0, [&] { return engine().freeStream(handle) ? 1 : 0; });
}

LUMA_API int32_t BASS_MusicFree(uint32_t handle) {
    return guarded(0, [&] { return engine().freeModule(handle) ? 1 : 0; });
}

LUMA_API uint64_t BASS_StreamGetLength(uint32_t handle) {
    return guarded(UINT64_MAX, [&] { return engine().length(handle); });
}

LUMA_API int32_t BASS_StreamPreBuf(uint32_t handle) {
    return guarded(0, [&] { return engine().preBuffer(handle) ? 1 : 0; });
}

LUMA_API int32_t BASS_StreamPlay(uint32_t handle, int32_t, uint32_t flags) {
    return guarded(0, [&] { return engine().play(handle, (flags & LUMA_PLAY_LOOP) != 0) ? 1 : 0; });
}

LUMA_API int32_t BASS_ChannelStop(uint32_t handle) {
    return guarded(0, [&] { return engine().stopChannel(handle) ? 1 : 0; });
}

LUMA_API uint64_t BASS_ChannelGetPosition(uint32_t handle) {
    return guarded(UINT64_MAX, [&] { return engine().position(handle); });
}

LUMA_API int32_t BASS_ChannelSetPosition(uint32_t handle, uint64_t pos) {
    return guarded(0, [&] { return engine().setPosition(handle, pos) ? 1 : 0; });
}

LUMA_API float BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) {
    return guarded(-1.0f, [&] { return engine().seconds(handle, pos); });
}

LUMA_API int32_t BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t* volume,
                                           int32_t* pan) {
    return guarded(0, [&] { return engine().attributes(handle, freq, volume, pan) ? 1 : 0; });
}

LUMA_API int32_t BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume,
                                             int32_t pan, uint32_t ms) {
    return guarded(0, [&] { return engine().slide(handle, freq, volume, pan, ms) ? 1 : 0; });
}

LUMA_API uint32_t BASS_ChannelGetLevel(uint32_t handle) {
    return guarded(UINT32_MAX, [&] { return engine().level(handle); });
}

LUMA_API uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length) {
    return guarded(UINT32_MAX, [&] { return engine().data(handle, buffer, length); });
}

LUMA_API uint32_t BASS_ChannelSetFX(uint32_t handle, uint32_t type) {
    return guarded(0u, [&] { return engine().addEffect(handle, type); });
}

LUMA_API int32_t BASS_FXSetParameters(uint32_t fx, const void* params) {
    return guarded(0, [&] { return engine().setEffect(fx, params) ? 1 : 0; });
}

LUMA_API int32_t BASS_FXGetParameters(uint32_t fx, void* params) {
    return guarded(0, [&] { return engine().getEffect(fx, params) ? 1 : 0; });
}

LUMA_API float BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec,
                                     uint32_t minMaxBPM, uint32_t, LUMA_BPMPROGRESSPROC* progress) {
    return guarded(
        0.0f, [&] { return engine().detectTempo(handle, startSec, endSec, minMaxBPM, progress); });
}

LUMA_API float BASS_FX_BPM_Percents2BPM(uint32_t handle, float percents) {
    return guarded(0.0f, [&] { return engine().tempoAt(handle, percents); });
}

LUMA_API float BASS_FX_TempoGetApproxPercents(uint32_t tempoStream) {
    return guarded(0.0f, [&] { return engine().tempoPercents(tempoStream); });
}

LUMA_API int32_t BASS_FX_BPM_Free(uint32_t handle) {
    return guarded(0, [&] { return engine().freeTempo(handle) ? 1 : 0; });
}

LUMA_API int32_t BASS_FX_TempoFree(uint32_t handle) {
    return guarded(0, [&] { return engine().freeTempoChannel(handle) ? 1 : 0; });
}

LUMA_API int32_t LUMA_ChannelSetLoop(uint32_t handle, int32_t startBytes, int32_t endBytes,
                                     int32_t on) {
    return guarded(0,
                   [&] { return engine().setLoop(handle, startBytes, endBytes, on != 0) ? 1 : 0; });
}

LUMA_API int32_t LUMA_ChannelSetKeyLock(uint32_t handle, int32_t on) {
    return guarded(0, [&] { return engine().setKeyLock(handle, on != 0) ? 1 : 0; });
}

LUMA_API int32_t LUMA_ChannelGetKeyLock(uint32_t handle) {
    return guarded(-1, [&] { return engine().keyLock(handle); });
}

LUMA_API int32_t LUMA_ChannelGetBeatGrid(uint32_t handle, double* bpm, double* firstBeatSeconds,
                                         float* confidence) {
    return guarded(
        0, [&] { return engine().beatGrid(handle, bpm, firstBeatSeconds, confidence) ? 1 : 0; });
}

LUMA_API int32_t LUMA_SetLoudnessTarget(float lufs) {
    return guarded(0, [&] { return engine().setLoudnessTarget(lufs) ? 1 : 0; });
}

LUMA_API int32_t LUMA_ChannelGetLoudness(uint32_t handle, float* lufs, float* truePeakDb,
                                         float* gainDb) {
    return guarded(0, [&] { return engine().loudness(handle, lufs, truePeakDb, gainDb) ? 1 : 0; });
}

LUMA_API int32_t LUMA_ChannelSetSync(uint32_t handle, int32_t on) {
    return guarded(LUMA_SYNC_OFF, [&] { return engine().setSync(handle, on != 0); });
}

LUMA_API int32_t LUMA_ChannelGetSync(uint32_t handle, double* sessionBpm, uint32_t* peers) {
    return guarded(LUMA_SYNC_OFF, [&] { return engine().syncState(handle, sessionBpm, peers); });
}

LUMA_API int32_t LUMA_ChannelSetSyncTempo(uint32_t handle, double bpm) {
    return guarded(0, [&] { return engine().setSyncTempo(handle, bpm) ? 1 : 0; });
}

LUMA_API void LUMA_SetSyncLatency(int32_t extraMs) {
    guarded(0, [&] {
        engine().setSyncLatency(extraMs);
        return 0;
    });
}

LUMA_API int32_t LUMA_RenderFrames(float* interleavedStereo, uint32_t frames) {
    return guarded(0, [&] { return engine().renderManual(interleavedStereo, frames) ? 1 : 0; });
}

}  // extern "C"
