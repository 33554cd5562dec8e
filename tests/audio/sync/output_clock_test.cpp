// The output clock: host times of output frames from jittery callbacks of an output running
// off its nominal rate; a missed period taken up within a few; one late callback ignored.
#include "sync/output_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace luma {
namespace {

constexpr double kRate = 44100.0;
constexpr int kPeriod = 256;

struct Case {
    const char* what;
    int missedAt;    // the period after which the output skips one (-1: never)
    int lateAt;      // the period whose callback comes 10 ms late (-1: never)
    double checkAt;  // the period from which on the filtered times must be right
};

TEST(OutputClockTest, FollowsTheOutputThroughJitterMissedPeriodsAndLateCallbacks) {
    const Case cases[] = {
        {"jitter only", -1, -1, 0},
        {"a missed period", 2000, -1, 2004},
        {"one late callback", -1, 2000, 0},
    };
    // The output's frames last 0.4 % longer than nominal; callbacks come up to 1 ms late.
    const double microsPerFrame = 1e6 / kRate * 1.004;
    for (const Case& c : cases) {
        OutputClock clock;
        std::mt19937 random(3);
        std::uniform_real_distribution<double> lateness(0.0, 1000.0);
        double skipped = 0.0;  // microseconds the output lost to a missed period
        double worst = 0.0;
        for (int period = 0; period < 3000; ++period) {
            if (period == c.missedAt) skipped += kPeriod * microsPerFrame;
            const int64_t frame = static_cast<int64_t>(period) * kPeriod;
            const double truth = 5e9 + frame * microsPerFrame + skipped;
            double now = truth + lateness(random);
            if (period == c.lateAt) now += 10000.0;
            const double filtered = clock.update(frame, now, kRate);
            // Past the loop's settling, the filtered times lie within the callbacks' spread.
            if (period >= 1500 && period >= c.checkAt) {
                worst = std::max(worst, std::fabs(filtered - (truth + 500.0)));
            }
        }
        EXPECT_LT(worst, 300.0) << c.what;
        EXPECT_NEAR(clock.clockRatio(kRate), 1.004, 0.0002) << c.what;
    }
}

}  // namespace
}  // namespace luma
