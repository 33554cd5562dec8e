#include "decode/sample_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace luma {
namespace {

TEST(SampleConvert, FloatsClampBeforeTheyRoundAndNaNIsSilence) {
    constexpr float kHuge = 3e14f;  // beyond what lrint of x * 32768 holds in a long
    const struct {
        float in;
        int16_t toInt16;
        float sane;
    } cases[] = {
        {0.5f, 16384, 0.5f},     {1.0f, 32767, 1.0f},     {-1.0f, -32768, -1.0f},
        {1.5f, 32767, 1.0f},     {-1.5f, -32768, -1.0f},  {kHuge, 32767, 1.0f},
        {-kHuge, -32768, -1.0f}, {INFINITY, 32767, 0.0f}, {-INFINITY, -32768, 0.0f},
        {NAN, 0, 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toInt16Sample(c.in), c.toInt16) << c.in;
        EXPECT_EQ(saneSample(c.in), c.sane) << c.in;
    }
}

}  // namespace
}  // namespace luma
