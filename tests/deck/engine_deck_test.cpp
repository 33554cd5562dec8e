// The deck on the real engine, heard through the manual output: the Gain's level, the demo
// tracks' tempo, beats on a drum track; a controller on a private JACK server playing it.
#include <dlfcn.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <filesystem>

#include "deck_fixture.h"
#include "drums/beat_tracks.h"
#include "loading/file_names.h"
#include "remote/device_listing.h"
#include "remote/midi_feed.h"
#include "remote/midi_input.h"
#include "support/audio_files.h"
#include "support/signal_measures.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

using namespace std::chrono_literals;

constexpr int kRate = 44100;

class EngineDeckTest : public FrmMainTest {
  public:
    void SetUp() override {
        FrmMainTest::SetUp();
        setSettings(0, 0, folder_ + "/crate");
    }
    void TearDown() override {
        if (deck) deck->salir();  // frees the engine for the next test
    }
    void startDeck() {
        deck = std::make_unique<FrmMain>("1", folder_, platform, [](const QString&) {
            return loadEngineLibrary(LUMA_ENGINE_PATH, nullptr);
        });
        deck->Form_Load();
        ASSERT_TRUE(platform.messages.empty());
        deck->filFile->setPattern("*.*");
    }
    void load(const QString& folder, const QString& fileName) {
        ASSERT_TRUE(deck->dirFile->setPath(folder));
        deck->filFile->setPath(folder);
        select(fileName);
        deck->filFile_DblClick();
    }
    // Writes a sine of `hz` into the crate and loads it.
    void loadTone(double hz, double seconds) {
        const QString crate = folder_ + "/crate";
        ASSERT_TRUE(writeWav16((crate + "/tone.wav").toStdString(), makeSine(hz, seconds)));
        load(crate, "tone.wav");
        ASSERT_NE(deck->state.Channel, 0u);
    }

    // Renders `frames` frames of the deck's output (interleaved stereo).
    std::vector<float> render(int frames) {
        using Render = int32_t (*)(float*, uint32_t);
        void* engine = dlopen(LUMA_ENGINE_PATH, RTLD_NOW | RTLD_NOLOAD);
        const auto renderFrames = reinterpret_cast<Render>(dlsym(engine, "LUMA_RenderFrames"));
        std::vector<float> out(2 * static_cast<size_t>(frames));
        EXPECT_NE(renderFrames(out.data(), static_cast<uint32_t>(frames)), 0);
        return out;
    }
    // The left side of a fifth of a second, after every glide.
    std::vector<float> heardLeft() {
        render(kRate / 10);
        return side(render(kRate / 5), 0);
    }

    ScopedEnv output_{"LUMATRONE_AUDIO", "manual"};
};

// Pitch, balance (-40 pans left, where the left keeps its level), touch and a load leave Gain's.
TEST_F(EngineDeckTest, LoudnessFollowsTheGainSliderAlone) {
    // Even loudness off: the tone's own level is what Gain scales.
    writeUserFile("lumatrone.conf", "[loudness]\neven = off\n");
    startDeck();
    loadTone(1000.0, 10.0);  // amplitude 0.5
    deck->Lum_Pause();
    const struct {
        const char* after;
        std::function<void()> action;
        double amplitude;
    } steps[] = {
        {"the load", [] {}, 0.25},
        {"Gain to 80", [this] { deck->hscEQ(0)->setValue(80); }, 0.4},
        {"a pitch move", [this] { deck->vscPitch->setValue(-300), deck->vscPitch_Scroll(); }, 0.4},
        {"a balance move", [this] { deck->hscEQ(1)->setValue(-40); }, 0.4},
        {"a touch", [this] { deck->Lum_TouchF2(), render(kRate / 10), deck->Lum_TouchUp(); }, 0.4},
        {"the next load", [this] { load(folder_ + "/crate", "tone.wav"), deck->Lum_Pause(); }, 0.4},
    };
    for (const auto& step : steps) {
        step.action();
        EXPECT_NEAR(peak(heardLeft()), step.amplitude, 0.005) << "after " << step.after;
    }
}

// Even loudness is on by default and shows the pre-gain measured; the demos' tempo and tag; on a
// drum track's measured grid a beat loop and a quantized start land on its beats.
TEST_F(EngineDeckTest, MeasuresThePreGainTheTempoTheTagAndTheBeatsOfWhatItLoads) {
    startDeck();
    loadTone(1000.0, 10.0);  // about -6 LUFS: about -12 dB to the -18 LUFS default
    const QRegularExpression shown("^LOUDNESS\\n(-\\d+\\.\\d) dB$");
    const auto measured = [&] { return shown.match(deck->lblLoudness->text()).hasMatch(); };
    ASSERT_TRUE(waitFor([&] { return deck->tmrCPU_Timer(), measured(); }, 5s))
        << deck->lblLoudness->text().toStdString();
    EXPECT_NEAR(shown.match(deck->lblLoudness->text()).captured(1).toDouble(), -12.0, 1.0);

    const QString demo = QFileInfo(LUMA_DECK_PATH).absolutePath() + "/demo";
    load(demo, "Broken Beat 96.wav");
    EXPECT_EQ(deck->lblBPMs->text(), "96");
    // The other demo track under a name an old player wrote in Latin-1.
    const std::filesystem::path latin =
        encodeFileName(folder_ + "/crate").toStdString() + "/Caf\xe9 124.wav";
    std::filesystem::copy_file(encodeFileName(demo + "/House Groove 124.wav").toStdString(), latin);
    load(folder_ + "/crate", QString::fromUtf8("Café 124.wav"));
    EXPECT_EQ(deck->lblBPMs->text(), "124");
    EXPECT_EQ(deck->lblFileName->text(), QString::fromUtf8("Café 124"));
    EXPECT_TRUE(deck->lblinfo(0)->text().startsWith(" House Groove")) << "its tag read";

    const drums::BeatTrack track = drums::renderBeatTrack({.bpm = 120, .seconds = 30});
    ASSERT_TRUE(writeWav16((folder_ + "/crate/beat.wav").toStdString(),
                           {track.samples, track.channels, track.rate}));
    load(folder_ + "/crate", "beat.wav");
    AudioLibrary& audio = *deck->audio();
    const uint32_t channel = deck->state.Channel;
    ASSERT_TRUE(waitFor(
        [&] { return audio.LUMA_ChannelGetBeatGrid(channel, nullptr, nullptr, nullptr) != 0; },
        30s));
    constexpr double kBytesPerSecond = 4.0 * kRate;
    // Seconds from the nearest beat of the track as it was made.
    const auto offBeat = [&](int64_t bytes) {
        const double beats = (double(bytes) / kBytesPerSecond - track.firstBeatSeconds) / 0.5;
        return std::abs(beats - std::round(beats)) * 0.5;
    };

    audio.BASS_ChannelSetPosition(channel, static_cast<uint64_t>(10.37 * kBytesPerSecond));
    deck->Lum_Quantize();
    deck->Lum_BeatLoop(2);
    EXPECT_LT(offBeat(deck->state.LoopStart), 0.002);
    EXPECT_NEAR(double(deck->state.LoopEnd - deck->state.LoopStart) / kBytesPerSecond, 1.0, 0.001);

    deck->Lum_Pause();  // plays from the nearest beat, inside the loop
    const auto position = [&] { return int64_t(audio.BASS_ChannelGetPosition(channel)); };
    const int64_t from = position();
    EXPECT_LT(offBeat(from), 0.002);
    const int64_t start = deck->state.LoopStart, length = deck->state.LoopEnd - start;
    for (int i = 0; i < 30; ++i) render(kRate / 10);  // three seconds: three times round
    EXPECT_EQ(position(), start + (from - start + 3 * kRate * 4) % length);
}

class RemoteControlTest : public EngineDeckTest {
  public:
    void SetUp() override {
        EngineDeckTest::SetUp();
        feed.start();
    }
    // Deck 1's MIDI line is the feed's name as the device listing quotes it.
    void startOnFeed() {
        MidiInput midi;
        JoystickReader joysticks;
        QString text;
        ASSERT_TRUE(waitFor([&] {
            QTextStream out(&text);
            listDevices(nullptr, midi, joysticks, out);
            return text.contains(kFeedClient);
        }));
        const auto name = QRegularExpression(R"(\d+  ("[^"]*luma-feed[^"]*"))").match(text);
        setSettings(0, 0, folder_ + "/crate", name.captured(1));
        startDeck();
        ASSERT_TRUE(deck->MIDIInput->isStarted());
        QObject::connect(deck->MIDIInput, &MidiInput::message, [this] { ++handled; });
    }
    int64_t position() {
        return static_cast<int64_t>(deck->audio()->BASS_ChannelGetPosition(deck->state.Channel));
    }

    ScopedEnv nullOutput_{"LUMATRONE_AUDIO", "null"};
    MidiFeed feed;
    int handled = 0;
};

// Control changes run in arrival order; the activity lamp and a command's dot stay lit until
// 1/4 s after the last of messages 30 ms apart.
TEST_F(RemoteControlTest, ControlChangesRunInOrderAndTheLampOutlastsTheLastByAQuarterSecond) {
    startOnFeed();
    loadTone(440.0, 20.0);

    feed.send({0xB0, 16, 0});  // play, whatever the value
    ASSERT_TRUE(waitFor([&] { return position() > 44100 * 4 / 5; }));
    deck->Lum_CueSet();
    const int64_t cue = deck->state.CuePos;
    ASSERT_TRUE(waitFor([&] { return position() > cue + 44100; }));

    using Clock = std::chrono::steady_clock;
    Clock::time_point lastHandled, wentOut;
    int outs = 0;
    QObject::connect(deck->MIDIInput, &MidiInput::message, [&] { lastHandled = Clock::now(); });
    QObject::connect(deck->optActivity, &QAbstractButton::toggled, [&](bool on) {
        if (!on) ++outs, wentOut = Clock::now();
    });
    const auto pause = [](std::chrono::milliseconds ms) { waitFor([] { return false; }, ms); };
    for (unsigned char value = 0; value < 10; ++value) {
        pause(30ms);
        feed.send({0xB0, 1, value});  // mapped to nothing
    }
    pause(200ms);
    deck->lblinfo(4)->setText("comment");
    feed.send({0xB0, 17, 127});  // stop at the cue point, the Stop dot red
    ASSERT_TRUE(waitFor([&] { return deck->state.IsStopped == kTrue; }));
    EXPECT_EQ(position(), cue);
    EXPECT_EQ(deck->cmdStop->dotColor(), 255);
    EXPECT_EQ(deck->MIDIInput->status(), 0);  // acknowledged
    ASSERT_TRUE(waitFor([&] { return !deck->optActivity->isChecked(); }));
    EXPECT_EQ(outs, 1);
    EXPECT_GE(wentOut - lastHandled, 245ms);
    EXPECT_EQ(deck->cmdStop->dotColor(), 128);
    EXPECT_EQ(deck->lblinfo(4)->text(), "") << "the comment goes out with the lamp";

    feed.send({0xB0, 40, 0});  // the deck ends
    ASSERT_TRUE(waitFor([&] { return platform.ends == 1; }));
    EXPECT_FALSE(deck->MIDIInput->isOpen());
    EXPECT_EQ(deck->MIDIInput->status(), 0xB0) << "the handler went on after the end";
    EXPECT_TRUE(platform.messages.empty());
}

// The shipped mapping heard: the bass knob cuts 60 Hz, the 14-bit pitch plays 1 kHz at 1080 Hz.
class MappedControlTest : public RemoteControlTest {
  public:
    ScopedEnv manualOutput_{"LUMATRONE_AUDIO", "manual"};
};

TEST_F(MappedControlTest, TheBassKnobAndTheFourteenBitPitchAreHeard) {
    // Even loudness off: the level the knob changes is the tone's own, all along.
    writeUserFile("lumatrone.conf", "[loudness]\neven = off\n");
    startOnFeed();
    loadTone(60.0, 10.0);
    deck->Lum_Pause();
    const double open = peak(heardLeft());
    feed.send({0xB0, 47, 0});
    ASSERT_TRUE(waitFor([&] { return handled == 1; }));
    EXPECT_EQ(deck->vscEQ(0)->value(), -150);
    const double killed = peak(heardLeft());
    EXPECT_LT(20 * std::log10(killed / open), -20.0) << open << " to " << killed;
    feed.send({0xB0, 47, 64});
    ASSERT_TRUE(waitFor([&] { return handled == 2; }));
    EXPECT_NEAR(peak(heardLeft()), open, 0.01 * open);

    loadTone(1000.0, 10.0);
    deck->Lum_Pause();
    feed.send({0xB0, 44, 95});  // with 76: 12287, +8 % (the MSB alone, 12160, is +7.75 %)
    feed.send({0xB0, 76, 127});
    ASSERT_TRUE(waitFor([&] { return handled == 4; }));
    EXPECT_NEAR(fitSine(heardLeft(), kRate, 1080.0).frequencyHz, 1080.0, 0.1);
}

// A burst of a thousand 7-bit pitch moves: each handled once, in order, a step apart.
TEST_F(MappedControlTest, ABurstOfSevenBitPitchMovesLandsStepByStep) {
    writeUserFile("mapping.conf", "cc 1 45 pitch\n");
    startOnFeed();
    loadTone(1000.0, 10.0);
    std::vector<int> seen;  // the pitch after each message handled
    QObject::connect(deck->MIDIInput, &MidiInput::message,
                     [&] { seen.push_back(-deck->vscPitch->value()); });
    constexpr int kBurst = 1000;
    for (int i = 0; i < kBurst; ++i) feed.send({0xB0, 45, static_cast<unsigned char>(i % 128)});
    ASSERT_TRUE(waitFor([&] { return handled >= kBurst; }, 10s)) << handled;
    waitFor([] { return false; }, 100ms);  // a message handled twice would show by now
    ASSERT_EQ(seen.size(), size_t(kBurst));
    // 0 to 127 over and over: the ends and the middle exact, one step up a message between.
    constexpr double kStep = 3200.0 / 127;  // hundredths of a percent
    for (int i = 0; i < kBurst; ++i) {
        const int value = i % 128;
        if (value % 64 == 0 || value == 127) {
            ASSERT_EQ(seen[i], value == 0 ? -1600 : value == 64 ? 0 : 1600) << "message " << i;
        } else {
            ASSERT_NEAR(seen[i] - seen[i - 1], kStep, 1.0) << "message " << i;
        }
    }
}

// A controller pulled out or replugged at once, or JACK stopping: one box, then the end.
class DeviceLossTest : public RemoteControlTest,
                       public ::testing::WithParamInterface<std::string> {};

TEST_P(DeviceLossTest, EndsTheDeckAfterOneBox) {
    startOnFeed();
    if (GetParam() == "JackServerStops") {
        feed.server.reset();
    } else {
        feed.port.reset();
        if (GetParam() == "ControllerReplugged") feed.plug();
    }
    ASSERT_TRUE(waitFor([&] { return platform.ends == 1; }));
    waitFor([] { return false; }, 300ms);  // a second report would have come by now
    ASSERT_EQ(platform.messages.size(), 1u);
    const auto& box = platform.messages[0];
    EXPECT_EQ(std::tuple(box.text, box.caption, box.style),
              std::tuple("MIDI Error, check your hardware and configure lumatroneDJsystem again.",
                         "lumatroneDJsystem", kMessageCritical));
    EXPECT_EQ(std::pair(platform.ends, platform.exitCode), std::pair(1, 1));
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].contains("lumatrone-devices lists the MIDI inputs"));
}

INSTANTIATE_TEST_SUITE_P(Remote, DeviceLossTest,
                         ::testing::Values("ControllerPulledOut", "ControllerReplugged",
                                           "JackServerStops"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace luma::test
