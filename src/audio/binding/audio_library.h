// The audio engine as the deck sees it: every call the deck makes, behind
// one interface, so that the deck runs on the engine library it loads at
// start-up and its tests run on a recording double.
#pragma once

#include <cstdint>
#include <type_traits>

#include "include/lumaaudio.h"

// Every engine call the deck makes.
#define LUMA_DECK_CALLS(X)            \
    X(BASS_GetVersion)                \
    X(BASS_GetDeviceDescription)      \
    X(LUMA_SetOutputOptions)          \
    X(BASS_Init)                      \
    X(BASS_Start)                     \
    X(BASS_Stop)                      \
    X(BASS_Free)                      \
    X(BASS_GetInfo)                   \
    X(BASS_SetBufferLength)           \
    X(BASS_SetGlobalVolumes)          \
    X(BASS_GetCPU)                    \
    X(BASS_StreamCreateFile)          \
    X(BASS_MusicLoad)                 \
    X(BASS_StreamFree)                \
    X(BASS_MusicFree)                 \
    X(BASS_StreamGetLength)           \
    X(BASS_StreamPreBuf)              \
    X(BASS_StreamPlay)                \
    X(BASS_ChannelStop)               \
    X(BASS_ChannelGetPosition)        \
    X(BASS_ChannelSetPosition)        \
    X(BASS_ChannelBytes2Seconds)      \
    X(BASS_ChannelGetAttributes)      \
    X(BASS_ChannelSlideAttributes)    \
    X(BASS_ChannelGetLevel)           \
    X(BASS_ChannelGetData)            \
    X(BASS_ChannelSetFX)              \
    X(BASS_FXSetParameters)           \
    X(BASS_FXGetParameters)           \
    X(BASS_FX_BPM_DecodeGet)          \
    X(BASS_FX_BPM_Percents2BPM)       \
    X(BASS_FX_TempoGetApproxPercents) \
    X(BASS_FX_BPM_Free)               \
    X(BASS_FX_TempoFree)              \
    X(LUMA_ChannelSetLoop)            \
    X(LUMA_ChannelGetBeatGrid)        \
    X(LUMA_SetLoudnessTarget)         \
    X(LUMA_ChannelGetLoudness)        \
    X(LUMA_ChannelSetSync)            \
    X(LUMA_ChannelGetSync)            \
    X(LUMA_ChannelSetSyncTempo)       \
    X(LUMA_SetSyncLatency)            \
    X(LUMA_ChannelSetKeyLock)         \
    X(LUMA_ChannelGetKeyLock)

namespace luma {

class AudioLibrary {
  public:
    virtual ~AudioLibrary() = default;

    virtual uint32_t BASS_GetVersion() = 0;
    virtual const char* BASS_GetDeviceDescription(uint32_t device) = 0;
    virtual void LUMA_SetOutputOptions(const char* clientName, uint32_t latencyMs) = 0;
    virtual int32_t BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void* window) = 0;
    virtual int32_t BASS_Start() = 0;
    virtual int32_t BASS_Stop() = 0;
    virtual void BASS_Free() = 0;
    virtual int32_t BASS_GetInfo(uint32_t* info14) = 0;
    virtual int32_t BASS_SetBufferLength(float seconds) = 0;
    virtual int32_t BASS_SetGlobalVolumes(int32_t music, int32_t sample, int32_t stream) = 0;
    virtual float BASS_GetCPU() = 0;
    virtual uint32_t BASS_StreamCreateFile(int32_t mem, const char* file, uint32_t offset,
                                           uint32_t length, uint32_t flags) = 0;
    virtual uint32_t BASS_MusicLoad(int32_t mem, const char* file, uint32_t offset, uint32_t length,
                                    uint32_t flags) = 0;
    virtual int32_t BASS_StreamFree(uint32_t handle) = 0;
    virtual int32_t BASS_MusicFree(uint32_t handle) = 0;
    virtual uint64_t BASS_StreamGetLength(uint32_t handle) = 0;
    virtual int32_t BASS_StreamPreBuf(uint32_t handle) = 0;
    virtual int32_t BASS_StreamPlay(uint32_t handle, int32_t flush, uint32_t flags) = 0;
    virtual int32_t BASS_ChannelStop(uint32_t handle) = 0;
    virtual uint64_t BASS_ChannelGetPosition(uint32_t handle) = 0;
    virtual int32_t BASS_ChannelSetPosition(uint32_t handle, uint64_t pos) = 0;
    virtual float BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) = 0;
    virtual int32_t BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t* volume,
                                              int32_t* pan) = 0;
    virtual int32_t BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume,
                                                int32_t pan, uint32_t ms) = 0;
    virtual uint32_t BASS_ChannelGetLevel(uint32_t handle) = 0;
    virtual uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length) = 0;
    virtual uint32_t BASS_ChannelSetFX(uint32_t handle, uint32_t type) = 0;
    virtual int32_t BASS_FXSetParameters(uint32_t fx, const void* params) = 0;
    virtual int32_t BASS_FXGetParameters(uint32_t fx, void* params) = 0;

    using BpmProgress = LUMA_BPMPROGRESSPROC*;
    virtual float BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec,
                                        uint32_t minMaxBPM, uint32_t flags,
                                        BpmProgress progress) = 0;
    virtual float BASS_FX_BPM_Percents2BPM(uint32_t handle, float percents) = 0;
    virtual float BASS_FX_TempoGetApproxPercents(uint32_t tempoStream) = 0;
    virtual int32_t BASS_FX_BPM_Free(uint32_t handle) = 0;
    virtual int32_t BASS_FX_TempoFree(uint32_t handle) = 0;

    virtual int32_t LUMA_ChannelSetLoop(uint32_t handle, int32_t startBytes, int32_t endBytes,
                                        int32_t on) = 0;
    virtual int32_t LUMA_ChannelGetBeatGrid(uint32_t handle, double* bpm, double* firstBeatSeconds,
                                            float* confidence) = 0;
    virtual int32_t LUMA_SetLoudnessTarget(float lufs) = 0;
    virtual int32_t LUMA_ChannelGetLoudness(uint32_t handle, float* lufs, float* truePeakDb,
                                            float* gainDb) = 0;
    virtual int32_t LUMA_ChannelSetSync(uint32_t handle, int32_t on) = 0;
    virtual int32_t LUMA_ChannelGetSync(uint32_t handle, double* sessionBpm, uint32_t* peers) = 0;
    virtual int32_t LUMA_ChannelSetSyncTempo(uint32_t handle, double bpm) = 0;
    virtual void LUMA_SetSyncLatency(int32_t extraMs) = 0;
    virtual int32_t LUMA_ChannelSetKeyLock(uint32_t handle, int32_t on) = 0;
    virtual int32_t LUMA_ChannelGetKeyLock(uint32_t handle) = 0;
};

// Each call has the engine header's own type: a signature changed there
// fails to compile here, not at run time.
template <typename Member>
struct FreeFunctionOf;
template <typename Result, typename... Arguments>
struct FreeFunctionOf<Result (AudioLibrary::*)(Arguments...)> {
    using type = Result(Arguments...);
};
#define LUMA_SAME_AS_HEADER(name)                                                     \
    static_assert(std::is_same_v<FreeFunctionOf<decltype(&AudioLibrary::name)>::type, \
                                 std::remove_cvref_t<decltype(::name)>>,              \
                  #name " differs from the engine's header");
LUMA_DECK_CALLS(LUMA_SAME_AS_HEADER)
#undef LUMA_SAME_AS_HEADER

}  // namespace luma
