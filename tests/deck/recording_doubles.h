// Doubles for the deck's tests: an engine that records every call and
// answers as told, and a desktop whose message boxes and process end are
// recorded instead of shown or carried out.
#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
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
    // Meters: the level reading, the FFT magnitudes (none: not playing), the load.
    uint32_t level = UINT32_MAX;
    std::vector<float> spectrum;
    float cpu = 0.0f;

    QStringList calls;  // "BASS_Init(1,44100,0)" and so on, in order

    uint32_t BASS_GetVersion() override { return note("BASS_GetVersion", version); }
    const char* BASS_GetDeviceDescription(uint32_t device) override {
        return note("BASS_GetDeviceDescription" + args({device}),
                    device < devices.size() ? devices[device].c_str() : nullptr);
    }
    int32_t BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void*) override {
        return note("BASS_Init" + args({device, freq, flags}), initResult);
    }
    int32_t BASS_Start() override { return note("BASS_Start", 1); }
    int32_t BASS_Stop() override { return note("BASS_Stop", 1); }
    void BASS_Free() override { calls << "BASS_Free"; }
    int32_t BASS_GetInfo(uint32_t* info14) override {
        info14[10] = soundSystemVersion;
        return note("BASS_GetInfo" + args({info14[0]}), 1);
    }
    int32_t BASS_SetBufferLength(float seconds) override {
        return note("BASS_SetBufferLength(" + QString::number(seconds) + ")", 1);
    }
    int32_t BASS_SetGlobalVolumes(int32_t music, int32_t sample, int32_t stream) override {
        return note("BASS_SetGlobalVolumes" + args({music, sample, stream}), 1);
    }
    float BASS_GetCPU() override { return cpu; }
    uint32_t BASS_StreamCreateFile(int32_t, const char* file, uint32_t, uint32_t,
                                   uint32_t flags) override {
        return note(
            "BASS_StreamCreateFile(" + QString(file) + "," + QString::number(flags, 16) + ")",
            (flags & 0x200000) ? decodeStreamHandle : streamHandle);
    }
    uint32_t BASS_MusicLoad(int32_t, const char* file, uint32_t, uint32_t,
                            uint32_t flags) override {
        return note("BASS_MusicLoad(" + QString(file) + "," + QString::number(flags, 16) + ")",
                    (flags & 0x200000) ? decodeModuleHandle : moduleHandle);
    }
    int32_t BASS_StreamFree(uint32_t handle) override {
        return note("BASS_StreamFree" + args({handle}), 0);
    }
    int32_t BASS_MusicFree(uint32_t handle) override {
        return note("BASS_MusicFree" + args({handle}), 0);
    }
    uint64_t BASS_StreamGetLength(uint32_t handle) override {
        return note("BASS_StreamGetLength" + args({handle}), handle ? length : UINT64_MAX);
    }
    int32_t BASS_StreamPreBuf(uint32_t handle) override {
        return note("BASS_StreamPreBuf" + args({handle}), 0);
    }
    int32_t BASS_StreamPlay(uint32_t handle, int32_t flush, uint32_t flags) override {
        return note("BASS_StreamPlay" + args({handle, flush, flags}), 0);
    }
    int32_t BASS_ChannelStop(uint32_t handle) override {
        return note("BASS_ChannelStop" + args({handle}), 0);
    }
    uint64_t BASS_ChannelGetPosition(uint32_t handle) override {
        return handle ? position : UINT64_MAX;
    }
    int32_t BASS_ChannelSetPosition(uint32_t handle, uint64_t pos) override {
        return note("BASS_ChannelSetPosition" + args({handle, static_cast<long long>(pos)}), 0);
    }
    float BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) override {
        if (handle == 0 || rate == 0) return -1.0f;
        return static_cast<float>(static_cast<double>(pos) / (4.0 * rate));
    }
    int32_t BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t*,
                                      int32_t*) override {
        calls << "BASS_ChannelGetAttributes" + args({handle});
        if (handle && freq) *freq = rate;
        return handle != 0;
    }
    int32_t BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume, int32_t pan,
                                        uint32_t ms) override {
        return note("BASS_ChannelSlideAttributes" + args({handle, freq, volume, pan, ms}), 0);
    }
    uint32_t BASS_ChannelGetLevel(uint32_t) override { return level; }
    uint32_t BASS_ChannelGetData(uint32_t, void* buffer, uint32_t) override {
        if (spectrum.empty()) return UINT32_MAX;
        std::copy(spectrum.begin(), spectrum.end(), static_cast<float*>(buffer));
        return static_cast<uint32_t>(spectrum.size() * sizeof(float));
    }
    uint32_t BASS_ChannelSetFX(uint32_t handle, uint32_t type) override {
        return note("BASS_ChannelSetFX" + args({handle, type}), handle ? nextFx_++ : 0);
    }
    int32_t BASS_FXSetParameters(uint32_t fx, const void* params) override {
        const auto* v = static_cast<const float*>(params);
        calls << "BASS_FXSetParameters(" + QString::number(fx, 16) + "," + QString::number(v[0]) +
                     "," + QString::number(v[1]) + "," + QString::number(v[2]) + ")";
        if (fx == 0) return 0;
        fxParameters[fx] = {v[0], v[1], v[2]};
        return 1;
    }
    int32_t BASS_FXGetParameters(uint32_t fx, void* params) override {
        calls << "BASS_FXGetParameters(" + QString::number(fx, 16) + ")";
        const auto found = fxParameters.find(fx);
        if (found == fxParameters.end()) return 0;
        std::copy(found->second.begin(), found->second.end(), static_cast<float*>(params));
        return 1;
    }
    float BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec, uint32_t minMaxBPM,
                                uint32_t flags, BpmProgress progress) override {
        calls << "BASS_FX_BPM_DecodeGet(" + QString::number(handle) + "," +
                     QString::number(startSec) + "," + QString::number(endSec) + "," +
                     QString::number(minMaxBPM) + "," + QString::number(flags) + ")";
        for (float percent : progressReports) {
            progress(handle, percent);
            if (duringProgress) duringProgress();
        }
        return -100.0f * percents2Bpm;
    }
    float BASS_FX_BPM_Percents2BPM(uint32_t handle, float percents) override {
        return note("BASS_FX_BPM_Percents2BPM(" + QString::number(handle) + "," +
                        QString::number(percents) + ")",
                    percents2Bpm);
    }
    float BASS_FX_TempoGetApproxPercents(uint32_t tempoStream) override {
        return note("BASS_FX_TempoGetApproxPercents" + args({tempoStream}), approxPercents);
    }
    int32_t BASS_FX_BPM_Free(uint32_t handle) override {
        return note("BASS_FX_BPM_Free" + args({handle}), handle != 0);
    }
    int32_t BASS_FX_TempoFree(uint32_t handle) override {
        return note("BASS_FX_TempoFree" + args({handle}), 0);
    }
    int32_t LUMA_ChannelSetLoop(uint32_t handle, int32_t startBytes, int32_t endBytes,
                                int32_t on) override {
        return note("LUMA_ChannelSetLoop" + args({handle, startBytes, endBytes, on}), handle != 0);
    }

  private:
    // Records `call` and answers `result`.
    template <typename Result>
    Result note(const QString& call, Result result) {
        calls << call;
        return result;
    }
    static QString args(std::initializer_list<long long> values) {
        QStringList parts;
        for (long long v : values) parts << QString::number(v);
        return "(" + parts.join(',') + ")";
    }

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
