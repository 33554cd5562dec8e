// The deck's number texts: times and tempos as the readouts show them.
#include "display/number_text.h"

#include <gtest/gtest.h>

namespace luma {
namespace {

TEST(NumberTextTest, TimeTextsTruncateSecondsAndRoundMilliseconds) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "00:00,000"},     {61.5f, "01:01,500"},    {185.4567f, "03:05,457"},
        {59.9996f, "00:59,000"}, {6000.0f, "100:00,000"}, {-1.0f, "-01:59,000"}};
    for (auto [seconds, text] : cases) EXPECT_EQ(timeText(seconds), text) << seconds;
    EXPECT_EQ(singleText(-100.0f * roundedToHundredths(-1.2449f)), "124");
    EXPECT_EQ(singleText(129.6f), "129.6");
    EXPECT_EQ(singleText(-1.24f), "-1.24");
    // Every whole tempo reads as itself through the deck's arithmetic.
    for (int bpm = 1; bpm <= 400; ++bpm) {
        const float kept = -static_cast<float>(bpm) / 100.0f;  // as Percents2BPM hands it
        ASSERT_EQ(singleText(-100.0f * roundedToHundredths(kept)), QString::number(bpm));
    }
}

}  // namespace
}  // namespace luma
