// Doubles for the deck's tests: an engine that records every call and
// answers as told, and a desktop whose message boxes and process end are
// recorded instead of shown or carried out.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "binding/audio_library.h"
#include "deck/deck_platform.h"

namespace luma::test {

class RecordingAudio : public AudioLibrary {
  public:
    // Answers.
    uint32_t version = 1u | (8u << 16);
    int32_t initResult = 1;
    uint32_t soundSystemVersion = 9;
    std::vector<std::string> devices = {"Built-in Audio", "USB Mixer"};
    // Track loading: handles for played and decode-only opens (0 fails),
    // the length and rate of every non-zero channel, the detection's reports.
    uint32_t streamHandle = 0, decodeStreamHandle = 0, moduleHandle = 0, decodeModuleHandle = 0;
    uint64_t length = UINT64_MAX;
    uint64_t position = UINT64_MAX;  // of any non-zero channel; read often, so not recorded
    uint32_t rate = 44100;
    std::vector<float> progressReports;
    std::function<void()> duringProgress;  // runs after each report
    float percents2Bpm = 0.0f;
    float approxPercents = 0.0f;
    std::map<uint32_t, std::array<float, 3>> fxParameters;

    QStringList calls;  // "BASS_Init(1,44100,0)" and so on, in order

    uint32_t BASS_GetVersion() override;
    const char* BASS_GetDeviceDescription(uint32_t device) override;
    int32_t BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void*) override;
    int32_t BASS_Start() override;
    int32_t BASS_Stop() override;
    void BASS_Free() override;
    int32_t BASS_GetInfo(uint32_t* info14) override;
    int32_t BASS_SetBufferLength(float seconds) override;
    int32_t BASS_SetGlobalVolumes(int32_t music, int32_t sample, int32_t stream) override;
    float BASS_GetCPU() override;
    uint32_t BASS_StreamCreateFile(int32_t, const char* file, uint32_t, uint32_t,
                                   uint32_t flags) override;
    uint32_t BASS_MusicLoad(int32_t, const char* file, uint32_t, uint32_t, uint32_t flags) override;
    int32_t BASS_StreamFree(uint32_t handle) override;
    int32_t BASS_MusicFree(uint32_t handle) override;
    uint64_t BASS_StreamGetLength(uint32_t handle) override;
    int32_t BASS_StreamPreBuf(uint32_t handle) override;
    int32_t BASS_StreamPlay(uint32_t handle, int32_t flush, uint32_t flags) override;
    int32_t BASS_ChannelStop(uint32_t handle) override;
    uint64_t BASS_ChannelGetPosition(uint32_t handle) override;
    int32_t BASS_ChannelSetPosition(uint32_t handle, uint64_t pos) override;
    float BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) override;
    int32_t BASS_ChannelGetAttributes(uint32_t handle, uint32_t*, uint32_t*, int32_t*) override;
    int32_t BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume, int32_t pan,
                                        uint32_t ms) override;
    uint32_t BASS_ChannelGetLevel(uint32_t handle) override;
    uint32_t BASS_ChannelGetData(uint32_t handle, void*, uint32_t length) override;
    uint32_t BASS_ChannelSetFX(uint32_t handle, uint32_t type) override;
    int32_t BASS_FXSetParameters(uint32_t fx, const void*) override;
    int32_t BASS_FXGetParameters(uint32_t fx, void*) override;
    float BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec, uint32_t minMaxBPM,
                                uint32_t flags, BpmProgress progress) override;
    float BASS_FX_BPM_Percents2BPM(uint32_t handle, float percents) override;
    float BASS_FX_TempoGetApproxPercents(uint32_t tempoStream) override;
    int32_t BASS_FX_BPM_Free(uint32_t handle) override;
    int32_t BASS_FX_TempoFree(uint32_t handle) override;
    int32_t LUMA_ChannelSetLoop(uint32_t handle, int32_t startBytes, int32_t endBytes,
                                int32_t on) override;

  private:
    uint32_t nextFx_ = 0x50000001;
};

class RecordingPlatform : public DeckPlatform {
  public:
    struct Message {
        QString text, caption;
        int style;
    };
    std::vector<Message> messages;
    int ends = 0;
    QStringList* journal = nullptr;  // when set, boxes and the end go into it too

    void message(const QString& text, const QString& caption, int style) override {
        messages.push_back({text, caption, style});
        if (journal) journal->append("message(" + text + ")");
    }
    void endProcess() override {
        ++ends;
        if (journal) journal->append("endProcess");
    }
};

}  // namespace luma::test
