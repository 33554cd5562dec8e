#include "support/engine_fixture.h"

#include <cstdlib>

namespace luma::test {

void EngineTest::SetUp() {
    setenv("LUMATRONE_AUDIO", "manual", 1);
    ASSERT_NE(BASS_Init(0, 44100, 0, nullptr), 0);
    ASSERT_NE(BASS_Start(), 0);
}

void EngineTest::TearDown() {
    BASS_Free();
}

std::vector<float> EngineTest::render(int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    EXPECT_NE(LUMA_RenderFrames(out.data(), static_cast<uint32_t>(frames)), 0);
    return out;
}

std::string EngineTest::writeWav(const Signal& signal) {
    const std::string path = dir.file("t" + std::to_string(++files_) + ".wav");
    EXPECT_TRUE(writeWav16(path, signal));
    return path;
}

uint32_t EngineTest::openPlayable(const std::string& path) {
    const uint32_t stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, kPlayable);
    EXPECT_NE(stream, 0u) << path;
    EXPECT_NE(BASS_StreamPreBuf(stream), 0);
    return stream;
}

uint32_t EngineTest::play(const std::string& path) {
    const uint32_t stream = openPlayable(path);
    EXPECT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    return stream;
}

std::vector<float> EngineTest::decodeAll(const std::string& path) {
    const uint32_t decoder = BASS_StreamCreateFile(0, path.c_str(), 0, 0, LUMA_STREAM_DECODE);
    EXPECT_NE(decoder, 0u) << path;
    std::vector<float> all, block(16384);
    for (;;) {
        const uint32_t got =
            BASS_ChannelGetData(decoder, block.data(), (16384 * 4) | LUMA_DATA_FLOAT);
        if (got == 0 || got == 0xFFFFFFFFu) break;
        all.insert(all.end(), block.begin(), block.begin() + got / 4);
    }
    BASS_StreamFree(decoder);
    return all;
}

}  // namespace luma::test
