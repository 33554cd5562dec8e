// Tracker modules render once through, to exactly their reported length.
#include <gtest/gtest.h>

#include "decode/decoder.h"
#include "decode_helpers.h"

namespace luma::test {
namespace {

TEST(ModuleDecoderTest, RendersItsExactLengthOnceAndSeeksOnlyToTheStart) {
    const std::unique_ptr<Decoder> decoder = openModuleDecoder(fixture("tune.mod"));
    ASSERT_TRUE(decoder);
    const DecoderInfo& info = decoder->info();
    EXPECT_EQ(info.kind, SampleKind::Int16);
    EXPECT_NEAR(double(info.frames) / 44100, 3.0, 0.15);

    const std::vector<int16_t> all = readAll<int16_t>(*decoder);
    ASSERT_EQ(static_cast<int64_t>(all.size()), info.frames * 2);
    int16_t after[4];
    EXPECT_EQ(decoder->read(after, 2), 0);
    // The tone plays on both sides from start to end.
    for (int side = 0; side < 2; ++side) {
        int16_t peak = 0;
        for (size_t i = all.size() - 8820 + side; i < all.size(); i += 2) {
            peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(all[i])));
        }
        EXPECT_GT(peak, 1000) << "side " << side;
    }

    EXPECT_FALSE(decoder->seek(1000));
    ASSERT_TRUE(decoder->seek(0));
    const std::vector<float> again = readAll<float>(*decoder);
    ASSERT_EQ(again.size(), all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(again[i] * 32768.0f, all[i]) << "sample " << i;
    }
}

}  // namespace
}  // namespace luma::test
