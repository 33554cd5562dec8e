// Every format the engine reads, end to end: the length a channel reports
// is exactly what it plays.
#include "support/engine_fixture.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

using FormatsTest = EngineTest;

struct Format {
    const char* name;
    bool (*write)(const std::string&, const Signal&);
    int rate;
    bool lengthIsSource;  // decodes to exactly the frames written
};

TEST_F(FormatsTest, EachFormatPlaysItsExactLength) {
    const Format formats[] = {
        {"wav", writeWav16, 44100, true},
        {"wav24", writeWav24, 44100, true},
        {"wavf", writeWavFloat, 44100, true},
        {"aiff", writeAiff, 44100, true},
        {"flac", writeFlac, 44100, true},
        {"ogg", writeOggVorbis, 44100, true},
        {"opus", writeOpus, 48000, true},
        {"mp3", [](const std::string& p, const Signal& s) { return writeMp3(p, s); }, 44100, true},
        {"mp2", [](const std::string& p, const Signal& s) { return writeMp2(p, s); }, 44100, false},
        {"mp1", writeMp1, 48000, false},
    };
    for (const Format& format : formats) {
        SCOPED_TRACE(format.name);
        const Signal source = makeSine(1000, 1.3, format.rate);
        const std::string path = dir.file(std::string("tone.") + format.name);
        ASSERT_TRUE(format.write(path, source));
        const uint32_t stream = openPlayable(path);
        ASSERT_NE(stream, 0u);
        const uint64_t frames = BASS_StreamGetLength(stream) / 4;
        EXPECT_EQ(frames, decodeAll(path).size() / 2);
        if (format.lengthIsSource) {
            EXPECT_EQ(static_cast<int64_t>(frames), source.frames());
        }
        uint32_t rate = 0;
        ASSERT_NE(BASS_ChannelGetAttributes(stream, &rate, nullptr, nullptr), 0);
        EXPECT_EQ(rate, static_cast<uint32_t>(format.rate));

        // Played at its own rate into a 44100 Hz output: a clean tone that ends on time.
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        const int outputFrames = static_cast<int>(frames * 44100 / format.rate);
        const std::vector<float> left = side(render(outputFrames + 2048), 0);
        if (format.name != std::string("mp1")) {
            const SineFit fit = fitSine(left.data() + 8192, 16384, 44100, 1000);
            EXPECT_NEAR(fit.frequencyHz, 1000.0, 0.05);
            EXPECT_GT(fit.snrDb, 30.0);
        } else {
            EXPECT_GT(peak(left), 0.01);
        }
        EXPECT_EQ(BASS_ChannelGetLevel(stream), 0xFFFFFFFFu) << "stopped at its end";
        BASS_StreamFree(stream);
    }
}

}  // namespace
}  // namespace luma::test
