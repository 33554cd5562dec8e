// Seeks land on the exact frame: what follows a seek to p is, sample for
// sample, what a decode from the start delivers at p.
#include <gtest/gtest.h>

#include "decode/decoder.h"
#include "decode_helpers.h"

namespace luma::test {
namespace {

class SeekTest : public testing::TestWithParam<StreamFormat> {
  protected:
    void SetUp() override {
        decoder = openStreamDecoder(path);
        ASSERT_TRUE(decoder);
        reference = readAll<int16_t>(*decoder);
    }

    TempDir dir;
    std::string path = GetParam().toneFile(dir);  // its level rises: no two stretches alike
    std::unique_ptr<Decoder> decoder;
    std::vector<int16_t> reference;
};

TEST_P(SeekTest, LandsOnTheExactFrameUpToTheEndAndNoFurther) {
    const int64_t frames = decoder->info().frames;
    // Opus decoder state after a seek is rebuilt from a short pre-roll, so the
    // output converges on the continuous decode instead of matching it at
    // once; it is compared once settled, where a frame's slip would show.
    const bool exact = std::string(GetParam().name) != "opus";
    const int64_t settle = exact ? 0 : 24000;
    const int tolerance = exact ? 0 : 8;
    // Frame and packet edges of the codecs, the middle, the end, and back again.
    const int64_t targets[] = {frames / 2 + 7, 1,     383,          384, 1151, 1152,
                               1153,           44100, frames - 700, 0,   4097, frames - 1};
    for (int64_t target : targets) {
        ASSERT_TRUE(decoder->seek(target)) << "seek to " << target;
        const int64_t skipped = readFrames<int16_t>(*decoder, settle).size() / 2;
        const std::vector<int16_t> got = readFrames<int16_t>(*decoder, 600);
        const int64_t compared = target + skipped;
        ASSERT_EQ(static_cast<int64_t>(got.size()), std::min<int64_t>(600, frames - compared) * 2)
            << "after seek to " << target;
        int worst = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            worst = std::max(worst, std::abs(got[i] - reference[compared * 2 + i]));
        }
        EXPECT_LE(worst, tolerance) << "after seek to " << target;
    }
    // The end is a position, beyond it is not.
    int16_t sample[2];
    ASSERT_TRUE(decoder->seek(frames));
    EXPECT_EQ(decoder->read(sample, 1), 0);
    EXPECT_FALSE(decoder->seek(frames + 1));
    EXPECT_FALSE(decoder->seek(-1));
    ASSERT_TRUE(decoder->seek(frames - 1));
    EXPECT_EQ(decoder->read(sample, 2), 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, SeekTest, testing::ValuesIn(streamFormats()), formatName);

}  // namespace
}  // namespace luma::test
