// The audio engine as the deck sees it: every call the deck makes, behind
// one interface, so that the deck runs on the engine library it loads at
// start-up and its tests run on a recording double.
#pragma once

#include <cstdint>

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

    using BpmProgress = void (*)(uint32_t handle, float percent);
    virtual float BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec,
                                        uint32_t minMaxBPM, uint32_t flags,
                                        BpmProgress progress) = 0;
    virtual float BASS_FX_BPM_Percents2BPM(uint32_t handle, float percents) = 0;
    virtual float BASS_FX_TempoGetApproxPercents(uint32_t tempoStream) = 0;
    virtual int32_t BASS_FX_BPM_Free(uint32_t handle) = 0;
    virtual int32_t BASS_FX_TempoFree(uint32_t handle) = 0;

    virtual int32_t LUMA_ChannelSetLoop(uint32_t handle, int32_t startBytes, int32_t endBytes,
                                        int32_t on) = 0;
};

}  // namespace luma
