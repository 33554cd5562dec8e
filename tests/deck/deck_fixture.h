// A deck window in a program folder of its own, on an engine that records the calls, keeps
// their state and answers as told, and a desktop that records the boxes and the process end.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "binding/audio_library.h"
#include "binding/engine_library.h"
#include "deck/deck_platform.h"
#include "deck/frm_main.h"
#include "qt_print.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace luma::test {

inline constexpr uint32_t kTrack = 0x10000001;  // the handle the tests give a track

class RecordingAudio : public AudioLibrary {
  public:
    uint32_t version = 1u | (8u << 16);
    int32_t initResult = 1, startResult = 1, infoResult = 1;
    uint32_t soundSystemVersion = 9;
    std::vector<std::string> devices = {"Built-in Audio", "USB Mixer"};
    // Handles for played and decode-only opens (0 fails); any non-zero channel's length and rate.
    uint32_t streamHandle = 0, decodeStreamHandle = 0, moduleHandle = 0, decodeModuleHandle = 0;
    uint64_t length = UINT64_MAX;
    uint64_t position = UINT64_MAX;  // of any non-zero channel; read often, so not recorded
    uint32_t rate = 44100;
    int frameBytes = 4;  // 2 for a track played mono
    // The beat grid (none while its tempo is 0); what sync answers to a request and to a poll.
    double gridBpm = 0.0, gridFirstBeat = 0.0;
    int32_t syncAnswer = LUMA_SYNC_NO_GRID, syncPolled = LUMA_SYNC_OFF;
    bool keyLock = false;
    double sessionBpm = 0.0;
    std::vector<float> progressReports;
    float percents2Bpm = 0.0f;
    std::map<uint32_t, std::array<float, 3>> fxParameters;
    // Meters: the level reading, the FFT magnitudes (none: not playing), the load.
    uint32_t level = UINT32_MAX;
    std::vector<float> spectrum;
    float cpu = 0.0f;

    QStringList calls;  // "BASS_Init(1,44100,0)" and so on, in order
    // What the calls left: a seek moves `position`; per channel, play, the last slide, the loop.
    struct Channel {
        bool playing = false;
        std::array<int32_t, 4> slide{-1, -1, -1, -1};  // rate, volume, pan, ms
        std::array<int32_t, 3> loop{};                 // start, end, on
    };
    std::map<uint32_t, Channel> channels;
    int32_t globalVolume = -1;  // all three alike, else -2

    // Calls that do more than answer, or are read too often to record.
    int32_t BASS_GetInfo(uint32_t* info14) override {
        if (infoResult) info14[10] = soundSystemVersion;
        return note(infoResult, "BASS_GetInfo", info14[0]);
    }
    float BASS_GetCPU() override { return cpu; }
    int32_t LUMA_ChannelGetKeyLock(uint32_t) override { return keyLock; }
    uint64_t BASS_ChannelGetPosition(uint32_t handle) override {
        return handle ? position : UINT64_MAX;
    }
    float BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) override {
        if (handle == 0 || rate == 0) return -1.0f;
        return static_cast<float>(static_cast<double>(pos) / (frameBytes * double(rate)));
    }
    int32_t BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t*,
                                      int32_t*) override {
        if (handle && freq) *freq = rate;
        return note(handle != 0, "BASS_ChannelGetAttributes", handle);
    }
    uint32_t BASS_ChannelGetLevel(uint32_t) override { return level; }
    uint32_t BASS_ChannelGetData(uint32_t, void* buffer, uint32_t) override {
        if (spectrum.empty()) return UINT32_MAX;
        std::copy(spectrum.begin(), spectrum.end(), static_cast<float*>(buffer));
        return static_cast<uint32_t>(spectrum.size() * sizeof(float));
    }
    int32_t BASS_FXSetParameters(uint32_t fx, const void* params) override {
        const auto* v = static_cast<const float*>(params);
        if (fx) fxParameters[fx] = {v[0], v[1], v[2]};
        return note(fx != 0, "BASS_FXSetParameters", hex(fx), v[0], v[1], v[2]);
    }
    int32_t BASS_FXGetParameters(uint32_t fx, void* params) override {
        const bool known = fxParameters.contains(fx);
        if (known) std::ranges::copy(fxParameters[fx], static_cast<float*>(params));
        return note(known, "BASS_FXGetParameters", hex(fx));
    }
    float BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec, uint32_t minMaxBPM,
                                uint32_t flags, BpmProgress progress) override {
        note(0, "BASS_FX_BPM_DecodeGet", handle, startSec, endSec, minMaxBPM, flags);
        for (float percent : progressReports) progress(handle, percent);
        return -100.0f * percents2Bpm;
    }

// A call that is recorded as "Name(args)" and answers `answer`.
#define LUMA_RECORDED(Type, Name, Params, answer, ...)                            \
    Type Name Params override {                                                   \
        return static_cast<Type>(note(answer, #Name __VA_OPT__(, ) __VA_ARGS__)); \
    }
    LUMA_RECORDED(uint32_t, BASS_GetVersion, (), version)
    LUMA_RECORDED(const char*, BASS_GetDeviceDescription, (uint32_t device),
                  device < devices.size() ? devices[device].c_str() : nullptr, device)
    LUMA_RECORDED(void, LUMA_SetOutputOptions, (const char* name, uint32_t latencyMs), 0, name,
                  latencyMs)
    LUMA_RECORDED(int32_t, BASS_Init, (int32_t device, uint32_t freq, uint32_t flags, void*),
                  initResult, device, freq, flags)
    LUMA_RECORDED(int32_t, BASS_Start, (), startResult)
    LUMA_RECORDED(int32_t, BASS_Stop, (), 1)
    LUMA_RECORDED(void, BASS_Free, (), 0)
    LUMA_RECORDED(int32_t, BASS_SetBufferLength, (float seconds), 1, seconds)
    LUMA_RECORDED(uint32_t, BASS_StreamCreateFile,
                  (int32_t, const char* file, uint32_t, uint32_t, uint32_t flags),
                  (flags & 0x200000) ? decodeStreamHandle : streamHandle, file, hex(flags))
    LUMA_RECORDED(uint32_t, BASS_MusicLoad,
                  (int32_t, const char* file, uint32_t, uint32_t, uint32_t flags),
                  (flags & 0x200000) ? decodeModuleHandle : moduleHandle, file, hex(flags))
    LUMA_RECORDED(int32_t, BASS_StreamFree, (uint32_t handle), 0, handle)
    LUMA_RECORDED(int32_t, BASS_MusicFree, (uint32_t handle), 0, handle)
    LUMA_RECORDED(uint64_t, BASS_StreamGetLength, (uint32_t handle), handle ? length : UINT64_MAX,
                  handle)
    LUMA_RECORDED(int32_t, BASS_StreamPreBuf, (uint32_t handle), 0, handle)
    LUMA_RECORDED(uint32_t, BASS_ChannelSetFX, (uint32_t handle, uint32_t type),
                  handle ? nextFx_++ : 0, handle, type)
    LUMA_RECORDED(float, BASS_FX_BPM_Percents2BPM, (uint32_t handle, float percents), percents2Bpm,
                  handle, percents)
    LUMA_RECORDED(float, BASS_FX_TempoGetApproxPercents, (uint32_t stream), 0.0f, stream)
    LUMA_RECORDED(int32_t, BASS_FX_BPM_Free, (uint32_t handle), handle != 0, handle)
    LUMA_RECORDED(int32_t, BASS_FX_TempoFree, (uint32_t handle), 0, handle)
    LUMA_RECORDED(int32_t, LUMA_ChannelSetSync, (uint32_t handle, int32_t on),
                  on ? syncAnswer : LUMA_SYNC_OFF, handle, on)
    LUMA_RECORDED(int32_t, LUMA_ChannelSetSyncTempo, (uint32_t handle, double bpm), 1, handle, bpm)
    LUMA_RECORDED(void, LUMA_SetSyncLatency, (int32_t extraMs), 0, extraMs)
    // Calls that leave state: the answer's comma expression keeps it.
    LUMA_RECORDED(int32_t, BASS_SetGlobalVolumes, (int32_t music, int32_t sample, int32_t stream),
                  (globalVolume = music == sample && sample == stream ? music : -2, 1), music,
                  sample, stream)
    LUMA_RECORDED(int32_t, BASS_StreamPlay, (uint32_t handle, int32_t flush, uint32_t flags),
                  (channels[handle].playing = true, 0), handle, flush, flags)
    LUMA_RECORDED(int32_t, BASS_ChannelStop, (uint32_t handle),
                  (channels[handle].playing = false, 0), handle)
    LUMA_RECORDED(int32_t, BASS_ChannelSetPosition, (uint32_t handle, uint64_t pos),
                  (position = handle ? pos : position, 0), handle, pos)
    LUMA_RECORDED(int32_t, BASS_ChannelSlideAttributes,
                  (uint32_t handle, int32_t freq, int32_t volume, int32_t pan, uint32_t ms),
                  (channels[handle].slide = {freq, volume, pan, int32_t(ms)}, 0), handle, freq,
                  volume, pan, ms)
    LUMA_RECORDED(int32_t, LUMA_ChannelSetLoop,
                  (uint32_t handle, int32_t start, int32_t end, int32_t on),
                  (channels[handle].loop = {start, end, on}, handle != 0), handle, start, end, on)
    LUMA_RECORDED(int32_t, LUMA_ChannelSetKeyLock, (uint32_t handle, int32_t on),
                  (keyLock = handle ? on != 0 : keyLock, handle != 0), handle, on)
    LUMA_RECORDED(int32_t, LUMA_SetLoudnessTarget, (float lufs), 1, lufs)
    LUMA_RECORDED(int32_t, LUMA_ChannelGetLoudness, (uint32_t handle, float*, float*, float*), 0,
                  handle)
#undef LUMA_RECORDED
    int32_t LUMA_ChannelGetBeatGrid(uint32_t handle, double* bpm, double* firstBeat,
                                    float*) override {
        const bool known = handle != 0 && gridBpm > 0.0;
        if (known && bpm) *bpm = gridBpm;
        if (known && firstBeat) *firstBeat = gridFirstBeat;
        return note(known ? 1 : 0, "LUMA_ChannelGetBeatGrid", handle);
    }
    int32_t LUMA_ChannelGetSync(uint32_t handle, double* bpm, uint32_t*) override {
        if (bpm) *bpm = sessionBpm;
        return note(syncPolled, "LUMA_ChannelGetSync", handle);
    }

  private:
    template <typename Result, typename... Args>
    Result note(Result result, const char* name, const Args&... values) {
        const QStringList parts{text(values)...};
        calls << name + (parts.isEmpty() ? QString() : "(" + parts.join(',') + ")");
        return result;
    }
    template <typename Value>
    static QString text(const Value& value) {
        if constexpr (std::is_arithmetic_v<Value>)
            return QString::number(value);
        else
            return QString(value);
    }
    static QString hex(uint32_t value) {
        return QString::number(value, 16);
    }

    uint32_t nextFx_ = 0x50000001;
};

class RecordingPlatform : public DeckPlatform {
  public:
    struct Message {
        QString text, caption;
        int style;
        QRect place;
    };
    std::vector<Message> messages;
    QStringList errors;  // lines on the error output
    int ends = 0;
    int exitCode = -1;
    QStringList* journal = nullptr;  // when set, boxes and the end go into it too

    void message(const QString& text, const QString& caption, int style,
                 const QRect& place) override {
        messages.push_back({text, caption, style, place});
        if (journal) journal->append("message(" + text + ")");
    }
    void printError(const QString& line) override { errors << line; }
    void endProcess(int code) override {
        ++ends;
        exitCode = code;
        if (journal) journal->append("endProcess");
    }
};

class FrmMainTest : public ::testing::Test {
  public:
    void SetUp() override {
        writeFile(kEngineLibraryFile, "engine");
        // The mapping the deck ships with, beside the program as installed.
        ASSERT_TRUE(QFile::copy(LUMA_MAPPING_PATH, folder_ + "/mapping.conf"));
        QDir(folder_).mkpath("crate");
        writeFile("crate/track.mp3", "");
        setSettings(1, 1, folder_ + "/crate");
    }
    void writeFile(const QString& name, const QString& text) {
        dir_.write(name.toStdString(), text.toStdString());
    }
    // A file of the user's settings: XDG_CONFIG_HOME is the program folder.
    void writeUserFile(const QString& name, const QString& text) {
        QDir(folder_).mkpath("lumatrone");
        writeFile("lumatrone/" + name, text);
    }
    // Settings with the devices of both decks, deck 1's MIDI device and the music folder.
    void setSettings(int deck1Device, int deck2Device, const QString& folder,
                     const QString& midi = "") {
        QStringList lines = {
            "ON", "0", "OFF", "ON", "0", QString::number(deck1Device), QString::number(deck2Device),
            midi, ""};
        while (lines.size() < 35) lines << "0";
        lines += {'"' + folder + '"', "0", "1"};
        writeFile("deck1.ini", lines.join('\n'));
        writeFile("deck2.ini", lines.join('\n'));
    }
    // The engine calls so far, the track written as # and the program folder as ~; then none.
    QStringList takeCalls() {
        QStringList calls = audioView->calls;
        audioView->calls.clear();
        return calls.replaceInStrings(folder_, "~").replaceInStrings(QString::number(kTrack), "#");
    }
    // A deck on the recording engine, started up (Form_Load) unless told not to.
    std::unique_ptr<FrmMain> makeDeck(const QString& commandLine, bool load = true) {
        platform.journal = &audio->calls;
        auto deck = std::make_unique<FrmMain>(
            commandLine, folder_, platform,
            [this](const QString&) { return std::unique_ptr<AudioLibrary>(std::move(audio)); });
        audioView = audio.get();
        if (load) deck->Form_Load();
        return deck;
    }
    void select(const QString& fileName) {
        const auto items = deck->filFile->findItems(fileName, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << fileName.toStdString();
        deck->filFile->setCurrentItem(items[0]);
    }

    TempDir dir_;
    ScopedEnv userConfig_{"XDG_CONFIG_HOME", dir_.path().string()};
    QString folder_ = QString::fromStdString(dir_.path().string());
    std::unique_ptr<RecordingAudio> audio = std::make_unique<RecordingAudio>();
    RecordingAudio* audioView = nullptr;
    RecordingPlatform platform;
    std::unique_ptr<FrmMain> deck;
};

// Deck 1 as a load of a three-minute 44.1 kHz stereo track leaves it, at 10 s.
class TrackTest : public FrmMainTest {
  public:
    static constexpr int64_t kSecond = 4 * 44100;  // bytes of one second of the track
    void SetUp() override {
        FrmMainTest::SetUp();
        deck = makeDeck("1");
        deck->state.Channel = kTrack;
        deck->state.BaseFreq = 44100;
        audioView->length = 180 * kSecond;
        deck->trkPosition->setMax(static_cast<int>(180 * kSecond));
        audioView->position = 10 * kSecond;
        deck->cmdPause->setVisible(false);  // as a load leaves it
        audioView->calls.clear();
    }
    int64_t position() const { return static_cast<int64_t>(audioView->position); }
    RecordingAudio::Channel& track() { return audioView->channels[kTrack]; }
    // Where the track is after `command`, run with the track at `from`.
    int64_t after(int64_t from, void (FrmMain::*command)()) {
        audioView->position = static_cast<uint64_t>(from);
        (deck.get()->*command)();
        return position();
    }
};

}  // namespace luma::test
