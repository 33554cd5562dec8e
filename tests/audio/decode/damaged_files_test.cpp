// Damaged files report the length that really decodes and play what is there.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "decode/decoder.h"
#include "decode_helpers.h"

namespace luma::test {
namespace {

class DamagedFileTest : public FormatTest {
  protected:
    std::string damagedPath = dir.file(std::string("damaged.") + GetParam().name);
};

// Cut at odd byte counts, so the cut falls inside a frame, packet or page
// (and, for WAV and AIFF, leaves a header that promises more than is there):
// once well before the end, once within the last stretch before it.
TEST_P(DamagedFileTest, CutFileEndsWhereItsAudioEnds) {
    const int64_t intactFrames = static_cast<int64_t>(audio.size() / 2);
    for (double kept : {0.7013, 0.9931}) {
        SCOPED_TRACE(kept);
        std::filesystem::copy_file(path, damagedPath,
                                   std::filesystem::copy_options::overwrite_existing);
        truncateFile(damagedPath, kept);
        auto decoder = openStreamDecoder(damagedPath);
        ASSERT_TRUE(decoder);
        const int64_t frames = decoder->info().frames;
        EXPECT_LT(frames, intactFrames);
        EXPECT_GT(frames, intactFrames / 2);

        const std::vector<int16_t> cut = readAll<int16_t>(*decoder);
        ASSERT_EQ(static_cast<int64_t>(cut.size()), frames * 2);
        // Every frame is the intact file's own, to the last: none is made up.
        EXPECT_TRUE(std::equal(cut.begin(), cut.end(), audio.begin()));
        EXPECT_FALSE(isSilent(cut, cut.size() - 128, cut.size()));
        ASSERT_TRUE(decoder->seek(frames / 3));
        EXPECT_EQ(readFrames<int16_t>(*decoder, 1).size(), 2u);
    }
}

// Overwritten bytes in the middle: no crash, and read() still keeps to the length.
TEST_P(DamagedFileTest, GarbledMiddleStillPlaysThrough) {
    std::filesystem::copy_file(path, damagedPath);
    {
        std::fstream file(damagedPath, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(std::filesystem::file_size(damagedPath) / 2));
        std::mt19937 random(7);
        for (int i = 0; i < 3000; ++i) file.put(static_cast<char>(random()));
    }
    auto decoder = openStreamDecoder(damagedPath);
    if (!decoder) return;  // refused, which is also fine
    const std::vector<int16_t> all = readAll<int16_t>(*decoder);
    EXPECT_EQ(static_cast<int64_t>(all.size()), decoder->info().frames * 2);
    EXPECT_GT(decoder->info().frames, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFileTest, testing::ValuesIn(streamFormats()), formatName);

// A FLAC header may leave the total length unknown (streamed encoders do);
// the length then comes from decoding.
TEST(DamagedFile, FlacWithoutTotalLengthIsMeasured) {
    TempDir dir;
    const Signal source = streamFormat("flac").tone();
    const std::string path = streamFormat("flac").toneFile(dir);
    {
        // "fLaC", a block header, then STREAMINFO: the 36-bit sample count
        // takes the low nibble of byte 21 and bytes 22-25.
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(21);
        const char high = static_cast<char>(file.get() & 0xF0);
        file.seekp(21);
        file.write(&high, 1);
        file.write("\0\0\0\0", 4);
    }
    auto decoder = openStreamDecoder(path);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->info().frames, source.frames());
    EXPECT_EQ(static_cast<int64_t>(readAll<int16_t>(*decoder).size()), source.frames() * 2);
}

}  // namespace
}  // namespace luma::test
