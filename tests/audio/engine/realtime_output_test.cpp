// The engine on its real-time outputs: the null clock, the WAV recorder and
// (through a JACK server of the test's own) PortAudio.
#include <gtest/gtest.h>
#include <lumaaudio.h>
#include <sndfile.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/audio_files.h"
#include "support/engine_fixture.h"
#include "support/jack_server.h"
#include "support/scoped_env.h"
#include "support/sine_fit.h"
#include "support/temp_dir.h"

namespace luma::test {
namespace {

using namespace std::chrono_literals;

// Plays a 1 kHz tone for about `wall` on the output LUMATRONE_AUDIO names,
// asked to run at 48000 Hz; returns the seconds of track that were played.
double playFor(const TempDir& dir, int device, std::chrono::milliseconds wall) {
    const std::string path = dir.file("tone.wav");
    EXPECT_TRUE(writeWav16(path, makeSine(1000, 5.0)));
    EXPECT_NE(BASS_Init(device, 48000, 0, nullptr), 0);
    EXPECT_NE(BASS_Start(), 0);
    const uint32_t stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0x20080);
    EXPECT_NE(BASS_StreamPreBuf(stream), 0);
    EXPECT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    std::this_thread::sleep_for(wall);
    EXPECT_NE(BASS_ChannelGetLevel(stream), 0xFFFFFFFFu);
    const double played = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream));
    BASS_Free();
    return played;
}

TEST(RealtimeOutputTest, WavOutputRecordsWhatIsHeard) {
    TempDir dir;
    const std::string recording = dir.file("session.wav");
    setenv("LUMATRONE_AUDIO", ("wav:" + recording).c_str(), 1);
    // The file runs at 44100 Hz whatever was asked: the engine must render at
    // that rate for the tone to keep its pitch. Paced by the clock: never
    // ahead of it (a loaded machine may hold it back).
    const double played = playFor(dir, 0, 600ms);
    EXPECT_GT(played, 0.1);
    EXPECT_LT(played, 1.2);

    SF_INFO info{};
    SNDFILE* file = sf_open(recording.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> frames(static_cast<size_t>(info.frames) * 2);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    const std::vector<float> left = side(frames, 0);
    ASSERT_GT(left.size(), 3 * 8192u);
    // The tone starts somewhere after the recording does; fit its middle.
    const SineFit fit = fitSine(left.data() + left.size() / 2 - 8192, 8192, 44100, 1000);
    EXPECT_NEAR(fit.frequencyHz, 1000.0, 0.1);
    EXPECT_NEAR(fit.amplitude, 0.5, 0.01);
}

// Our number of the first device whose description is PortAudio's name
// for a JACK server's playback ports; -1 when there is none.
int jackDevice() {
    for (uint32_t i = 0; const char* name = BASS_GetDeviceDescription(i); ++i) {
        // Without a sound card, JACK's "system" is the default output too.
        const std::string text = name;
        if (text == "system" || text == "Default output (system)") return static_cast<int>(i);
    }
    return -1;
}

TEST(RealtimeOutputTest, SystemOutputPlaysThroughJackAtTheServersRate) {
    // At 48000 Hz the engine renders at the server's rate and resamples the
    // 44100 Hz track: its rate, position and length keep their meaning.
    JackServer server(48000, 256);
    ScopedEnv serverName("JACK_DEFAULT_SERVER", server.name());
    ScopedEnv output("LUMATRONE_AUDIO", "system");
    int device = jackDevice();
    for (int tries = 0; device < 0 && server.running() && tries < 100; ++tries) {
        std::this_thread::sleep_for(100ms);
        device = jackDevice();
    }
    ASSERT_GE(device, 0) << "no JACK device. " << server.problem();
    TempDir dir;
    const auto started = std::chrono::steady_clock::now();
    const double played = playFor(dir, device, 800ms);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(played, 0.4) << "audio went out in real time";
    EXPECT_LT(played, wall + 0.05) << "and no faster than real time";
}

}  // namespace
}  // namespace luma::test
