// Every format the engine reads, end to end: the length a channel reports
// is exactly what it plays.
#include "support/engine_fixture.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

using FormatsTest = EngineTest;

TEST_F(FormatsTest, EachFormatPlaysItsExactLength) {
    for (const StreamFormat& format : streamFormats()) {
        SCOPED_TRACE(format.name);
        const Signal source = format.tone();
        const std::string path = format.toneFile(dir);
        const uint32_t stream = openPlayable(path);
        ASSERT_NE(stream, 0u);
        const uint64_t frames = BASS_StreamGetLength(stream) / 4;
        EXPECT_EQ(frames, decodeAll(path).size() / 2);
        if (format.lengthQuantum == 0) {
            EXPECT_EQ(static_cast<int64_t>(frames), source.frames());
        }
        uint32_t rate = 0;
        ASSERT_NE(BASS_ChannelGetAttributes(stream, &rate, nullptr, nullptr), 0);
        EXPECT_EQ(rate, static_cast<uint32_t>(format.rate));

        // Played at its own rate into a 44100 Hz output: a clean tone that ends on time.
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        const int outputFrames = static_cast<int>(frames * 44100 / format.rate);
        const std::vector<float> left = side(render(outputFrames + 2048), 0);
        const double hz = format.decodedHz(440);
        const SineFit fit = fitSine(left.data() + 8192, 16384, 44100, hz);
        EXPECT_NEAR(fit.frequencyHz, hz, 0.05);
        EXPECT_GT(fit.snrDb, 30.0);
        EXPECT_EQ(BASS_ChannelGetLevel(stream), 0xFFFFFFFFu) << "stopped at its end";
        BASS_StreamFree(stream);
    }
}

}  // namespace
}  // namespace luma::test
