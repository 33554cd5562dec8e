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
#include "support/sine_fit.h"
#include "support/temp_dir.h"

namespace luma::test {
namespace {

using namespace std::chrono_literals;

// Plays a 1 kHz tone for about `wall` on the output LUMATRONE_AUDIO names;
// returns the seconds of track that were played.
double playFor(const TempDir& dir, int device, std::chrono::milliseconds wall) {
    const std::string path = dir.file("tone.wav");
    EXPECT_TRUE(writeWav16(path, makeSine(1000, 5.0)));
    EXPECT_NE(BASS_Init(device, 44100, 0, nullptr), 0);
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
    const double played = playFor(dir, 0, 600ms);
    EXPECT_GT(played, 0.3) << "paced in real time";
    EXPECT_LT(played, 1.2);

    SF_INFO info{};
    SNDFILE* file = sf_open(recording.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.channels, 2);
    std::vector<float> frames(static_cast<size_t>(info.frames) * 2);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    const std::vector<float> left = side(frames, 0);
    ASSERT_GT(left.size(), 22050u);
    // The tone starts somewhere after the recording does; fit its middle.
    const SineFit fit = fitSine(left.data() + left.size() / 2 - 8192, 8192, 44100, 1000);
    EXPECT_NEAR(fit.frequencyHz, 1000.0, 0.1);
    EXPECT_NEAR(fit.amplitude, 0.5, 0.01);
}

TEST(RealtimeOutputTest, NullOutputKeepsTime) {
    TempDir dir;
    setenv("LUMATRONE_AUDIO", "null", 1);
    const double played = playFor(dir, 0, 500ms);
    EXPECT_GT(played, 0.25);
    EXPECT_LT(played, 1.0);
}

}  // namespace
}  // namespace luma::test
