// The engine's life cycle, its real-time output on a JACK server of its own, bad handles.
#include <chrono>
#include <thread>

#include "support/engine_fixture.h"
#include "support/jack_server.h"
#include "support/scoped_env.h"

namespace luma::test {
namespace {

TEST(EngineLifecycleTest, DevicesInitStartStopFreeAndInitAgain) {
    const char* first = nullptr;  // a name another thread may still be reading
    for (auto [output, name] : {std::pair{"manual", "Manual render"}, {"null", "No sound"}}) {
        ScopedEnv env("LUMATRONE_AUDIO", output);
        EXPECT_STREQ(BASS_GetDeviceDescription(0), name) << output;
        EXPECT_EQ(BASS_GetDeviceDescription(1), nullptr) << output;
        if (!first) first = BASS_GetDeviceDescription(0);
    }
    EXPECT_STREQ(first, "Manual render") << "a name outlives the lists after it";
    ScopedEnv env("LUMATRONE_AUDIO", "manual");
    EXPECT_EQ(BASS_Init(1, 44100, 0, nullptr), 0) << "device 1 does not exist";
    uint32_t info[14] = {56};
    EXPECT_EQ(BASS_GetInfo(info), 0) << "not initialised yet";
    ASSERT_NE(BASS_Init(0, 44100, 0, nullptr), 0);
    EXPECT_EQ(BASS_Init(0, 44100, 0, nullptr), 0) << "already initialised";
    ASSERT_NE(BASS_GetInfo(info), 0);
    info[0] = 40;
    EXPECT_EQ(BASS_GetInfo(info), 0) << "the caller must state the record's size";
    std::vector<float> out(512, 1.0f);
    EXPECT_EQ(LUMA_RenderFrames(out.data(), 256), 0) << "not started";
    EXPECT_EQ(out[0], 0.0f);
    ASSERT_NE(BASS_Start(), 0);
    ASSERT_NE(BASS_Stop(), 0);
    EXPECT_EQ(LUMA_RenderFrames(out.data(), 256), 0);
    BASS_Free();
    BASS_Free();  // twice is harmless
    ASSERT_NE(BASS_Init(-1, 44100, 0, nullptr), 0);
    BASS_Free();
}

using namespace std::chrono_literals;

// Rendered at the server's 48000 Hz, not the one asked; the position holds while it is gone.
TEST(RealtimeOutputTest, SystemOutputPlaysThroughJackAndOutlivesItsServer) {
    JackServer server(48000, 256);
    ScopedEnv serverName("JACK_DEFAULT_SERVER", server.name());
    ScopedEnv noSoundServer("PULSE_SERVER", "unix:/nonexistent");
    ScopedEnv output("LUMATRONE_AUDIO", "system");
    TempDir dir;
    const std::string path = dir.file("tone.wav");
    ASSERT_TRUE(writeWav16(path, makeSine(1000, 20.0)));
    bool opened = false;
    for (int tries = 0; !opened && server.running() && tries < 100; ++tries) {
        std::this_thread::sleep_for(100ms);
        const char* name = BASS_GetDeviceDescription(0);
        opened = name != nullptr && std::string(name) == "Default output (JACK)" &&
                 BASS_Init(0, 44100, 0, nullptr) != 0;
    }
    ASSERT_TRUE(opened) << server.problem();
    ASSERT_NE(BASS_Start(), 0);
    const uint32_t stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0x20080);
    ASSERT_NE(BASS_StreamPreBuf(stream), 0);
    const auto seconds = [&] {
        return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream));
    };
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    std::this_thread::sleep_for(300ms);
    const auto from = std::chrono::steady_clock::now();
    const double playedFrom = seconds();
    std::this_thread::sleep_for(1s);
    const double pace =
        (seconds() - playedFrom) /
        std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
    EXPECT_GT(pace, 0.5) << "audio goes out";
    EXPECT_LT(pace, 1.03) << "at the server's rate: no faster than real time";
    // The server dies: the calls go on working, the position stands where the sound stopped.
    server.kill();
    std::this_thread::sleep_for(1500ms);
    const double atLoss = seconds();
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR(seconds(), atLoss, 0.01);
    EXPECT_NE(BASS_ChannelSetPosition(stream, 5 * 44100 * 4), 0) << "a cue point is set";
    // Back within moments of the server's return, from where it stood.
    server.start();
    const auto back = std::chrono::steady_clock::now();
    while (seconds() < 5.2 && std::chrono::steady_clock::now() - back < 10s) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - back, 5s) << "plays again: " << server.problem();
    // A server that hangs: freeing the engine (the deck closing) still ends at once.
    server.pause(true);
    const auto freeing = std::chrono::steady_clock::now();
    BASS_Free();
    EXPECT_LT(std::chrono::steady_clock::now() - freeing, 1s);
}

using BadHandleTest = EngineTest;

TEST_F(BadHandleTest, EveryCallFailsQuietly) {
    const uint32_t stream = openPlayable(writeWav(makeSine(440, 0.5)));
    const uint32_t fx = BASS_ChannelSetFX(stream, LUMA_FX_PARAMEQ);
    ASSERT_NE(fx, 0u);
    ASSERT_NE(BASS_StreamFree(stream), 0);
    // 0, all ones, a made-up number, a freed stream and its freed effect.
    for (uint32_t handle : {0u, 0xFFFFFFFFu, 0x12345678u, stream, fx}) {
        SCOPED_TRACE(handle);
        uint32_t rate = 0, volume = 0;
        int32_t pan = 0;
        float buffer[1024] = {};
        LUMA_PARAMEQ eq{1000, 12, 3};
        EXPECT_EQ(BASS_StreamGetLength(handle), UINT64_MAX);
        EXPECT_EQ(BASS_ChannelGetPosition(handle), UINT64_MAX);
        EXPECT_EQ(BASS_ChannelSetPosition(handle, 0), 0);
        EXPECT_EQ(BASS_ChannelBytes2Seconds(handle, 4), -1.0f);
        EXPECT_EQ(BASS_StreamPlay(handle, 0, 0), 0);
        EXPECT_EQ(BASS_StreamPreBuf(handle), 0);
        EXPECT_EQ(BASS_ChannelStop(handle), 0);
        EXPECT_EQ(BASS_ChannelGetAttributes(handle, &rate, &volume, &pan), 0);
        EXPECT_EQ(BASS_ChannelSlideAttributes(handle, 44100, 100, 0, 0), 0);
        EXPECT_EQ(BASS_ChannelGetLevel(handle), 0xFFFFFFFFu);
        EXPECT_EQ(BASS_ChannelGetData(handle, buffer, LUMA_DATA_FFT2048), 0xFFFFFFFFu);
        EXPECT_EQ(BASS_ChannelSetFX(handle, 7), 0u);
        EXPECT_EQ(BASS_FXSetParameters(handle, &eq), 0);
        EXPECT_EQ(BASS_FXGetParameters(handle, &eq), 0);
        EXPECT_EQ(LUMA_ChannelSetLoop(handle, 0, 4000, 1), 0);
        EXPECT_EQ(LUMA_ChannelSetKeyLock(handle, 1), 0);
        EXPECT_EQ(LUMA_ChannelGetKeyLock(handle), -1);
        EXPECT_EQ(LUMA_ChannelGetSync(handle, nullptr, nullptr), LUMA_SYNC_OFF);
        EXPECT_EQ(LUMA_ChannelGetBeatGrid(handle, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(LUMA_ChannelGetLoudness(handle, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(BASS_FX_BPM_DecodeGet(handle, 0.0f, 90.0f, 0, 3, nullptr), 0.0f);
        EXPECT_EQ(BASS_FX_BPM_Percents2BPM(handle, 0.0f), 0.0f);
        EXPECT_EQ(BASS_FX_TempoGetApproxPercents(handle), 0.0f);
        EXPECT_EQ(BASS_StreamFree(handle), 0);
        EXPECT_EQ(BASS_MusicFree(handle), 0);
    }
}

}  // namespace
}  // namespace luma::test
