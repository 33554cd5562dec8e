// The engine's life cycle and its refusal of bad handles and bad files.
#include "support/engine_fixture.h"
#include "support/scoped_env.h"

namespace luma::test {
namespace {

// (The version number is checked where the deck loads the library.)
TEST(EngineLifecycleTest, DevicesInitStartStopFreeAndInitAgain) {
    for (auto [output, name] : {std::pair{"manual", "Manual render"},
                                {"null", "No sound"},
                                {"wav:/nonexistent/x.wav", "No sound"}}) {
        ScopedEnv env("LUMATRONE_AUDIO", output);
        EXPECT_STREQ(BASS_GetDeviceDescription(0), name) << output;
        EXPECT_EQ(BASS_GetDeviceDescription(1), nullptr) << output;
    }
    ScopedEnv env("LUMATRONE_AUDIO", "manual");
    EXPECT_EQ(BASS_Init(1, 44100, 0, nullptr), 0) << "device 1 does not exist";
    uint32_t info[14] = {56};
    EXPECT_EQ(BASS_GetInfo(info), 0) << "not initialised yet";
    EXPECT_EQ(BASS_StreamCreateFile(0, "/nonexistent.wav", 0, 0, 0), 0u);
    ASSERT_NE(BASS_Init(0, 44100, 0, nullptr), 0);
    EXPECT_EQ(BASS_Init(0, 44100, 0, nullptr), 0) << "already initialised";
    info[0] = 56;
    ASSERT_NE(BASS_GetInfo(info), 0);
    info[0] = 40;
    EXPECT_EQ(BASS_GetInfo(info), 0) << "the caller must state the record's size";

    std::vector<float> out(512, 1.0f);
    EXPECT_EQ(LUMA_RenderFrames(out.data(), 256), 0) << "not started";
    EXPECT_EQ(out[0], 0.0f);
    ASSERT_NE(BASS_Start(), 0);
    EXPECT_NE(LUMA_RenderFrames(out.data(), 256), 0);
    ASSERT_NE(BASS_Stop(), 0);
    EXPECT_EQ(LUMA_RenderFrames(out.data(), 256), 0);
    BASS_Free();
    BASS_Free();  // twice is harmless
    ASSERT_NE(BASS_Init(-1, 44100, 0, nullptr), 0);
    BASS_Free();
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
        uint32_t rate = 7, volume = 7;
        int32_t pan = 7;
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
        EXPECT_EQ(rate, 7u);
        EXPECT_EQ(BASS_ChannelSlideAttributes(handle, 44100, 100, 0, 0), 0);
        EXPECT_EQ(BASS_ChannelGetLevel(handle), 0xFFFFFFFFu);
        EXPECT_EQ(BASS_ChannelGetData(handle, buffer, LUMA_DATA_FFT2048), 0xFFFFFFFFu);
        EXPECT_EQ(BASS_ChannelSetFX(handle, 7), 0u);
        EXPECT_EQ(BASS_FXSetParameters(handle, &eq), 0);
        EXPECT_EQ(BASS_FXGetParameters(handle, &eq), 0);
        EXPECT_EQ(LUMA_ChannelSetLoop(handle, 0, 4000, 1), 0);
        EXPECT_EQ(BASS_StreamFree(handle), 0);
        EXPECT_EQ(BASS_MusicFree(handle), 0);
    }
}

using BadFileTest = EngineTest;

// The decoders refuse bad files themselves; here: what the interface adds.
// Streams and modules take neither each other's files nor each other's frees.
TEST_F(BadFileTest, StreamsAndModulesRefuseEachOtherAndWhatIsNoFile) {
    const std::string wav = writeWav(makeSine(440, 0.5));
    const uint32_t stream = openPlayable(wav);
    const uint32_t module = BASS_MusicLoad(0, fixture("tune.mod").c_str(), 0, 0, 0x1005);
    ASSERT_NE(module, 0u);
    EXPECT_EQ(BASS_MusicFree(stream), 0);
    EXPECT_EQ(BASS_StreamFree(module), 0);
    EXPECT_NE(BASS_StreamGetLength(stream), UINT64_MAX);
    EXPECT_NE(BASS_StreamGetLength(module), UINT64_MAX);
    EXPECT_NE(BASS_StreamFree(stream), 0);
    EXPECT_NE(BASS_MusicFree(module), 0);
    EXPECT_EQ(BASS_StreamCreateFile(0, fixture("tune.mod").c_str(), 0, 0, 0x20080), 0u)
        << "a module is left to BASS_MusicLoad";
    EXPECT_EQ(BASS_MusicLoad(0, wav.c_str(), 0, 0, 0x1005), 0u);
    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent/x.wav"}) {
        EXPECT_EQ(BASS_StreamCreateFile(0, path, 0, 0, 0x20080), 0u);
        EXPECT_EQ(BASS_MusicLoad(0, path, 0, 0, 0x1005), 0u);
    }
    EXPECT_EQ(BASS_StreamCreateFile(0, dir.path().c_str(), 0, 0, 0x200000), 0u) << "a folder";
    EXPECT_EQ(BASS_StreamCreateFile(1, wav.c_str(), 0, 0, 0), 0u)
        << "memory streams are not offered";
    EXPECT_EQ(BASS_StreamCreateFile(0, wav.c_str(), 44, 0, 0), 0u);
}

}  // namespace
}  // namespace luma::test
