#include "output/null_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "test_callback.h"

namespace luma {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::TestCallback;

TEST(NullOutput, StopWaitsForThePeriodInProgressAndThenNothingRenders) {
    NullOutput output;
    TestCallback callback;
    callback.busyMicroseconds = 3000;
    ASSERT_TRUE(output.open(0, 44100, &callback));
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(output.start());
        ASSERT_TRUE(callback.waitForPeriods(callback.periods.load() + 2));
        ASSERT_TRUE(test::waitFor([&] { return callback.inside.load(); }));
        const int64_t before = callback.periods.load();
        ASSERT_TRUE(output.stop());
        EXPECT_FALSE(callback.inside.load()) << "round " << round;
        EXPECT_EQ(callback.periods.load(), before + 1) << "the period in progress completes";
        std::this_thread::sleep_for(milliseconds(30));
        EXPECT_EQ(callback.periods.load(), before + 1) << "round " << round;
    }
    output.close();
}

TEST(NullOutput, StartAndStopDoNotWaitForTheNextPeriod) {
    NullOutput output;
    TestCallback callback;
    ASSERT_TRUE(output.open(0, 1000, &callback));  // 256 ms periods
    const auto started = Clock::now();
    ASSERT_TRUE(output.start());
    ASSERT_TRUE(callback.waitForPeriods(1));
    EXPECT_LT(Clock::now() - started, milliseconds(150));

    const auto stopping = Clock::now();
    ASSERT_TRUE(output.stop());  // the thread sleeps towards its next deadline now
    EXPECT_LT(Clock::now() - stopping, milliseconds(150));
    EXPECT_EQ(callback.periods.load(), 1);
}

// One output through its life: what it refuses, real-time pace that carries
// on after a stall instead of catching up (and reports the stall as an
// underrun: a card would have played a gap), reopening and destruction while
// running.
TEST(NullOutput, KeepsPaceThroughAStallAndReopensAndDiesWhileRunning) {
    TestCallback first;
    TestCallback second;
    first.stallOnPeriod = 5;
    first.stallMilliseconds = 250;
    {
        NullOutput output;
        EXPECT_FALSE(output.open(1, 48000, &first));
        EXPECT_FALSE(output.open(0, 48000, nullptr));
        EXPECT_FALSE(output.start());
        ASSERT_TRUE(output.open(0, 48000, &first));
        EXPECT_EQ(output.sampleRate(), 48000);
        EXPECT_EQ(first.periods.load(), 0) << "nothing renders before start()";
        const auto begin = Clock::now();
        ASSERT_TRUE(output.start());
        std::this_thread::sleep_for(milliseconds(600));
        ASSERT_TRUE(output.stop());
        const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
        // Catching up would render the stalled quarter second in a burst.
        const double rendered = first.framesRendered.load() / 48000.0;
        EXPECT_LT(rendered, wall - 0.125);
        EXPECT_GT(rendered, 0.5 * (wall - 0.25));
        EXPECT_GE(output.underruns(), 1u);
        EXPECT_EQ(first.oddPeriods.load(), 0);

        ASSERT_TRUE(output.start());
        ASSERT_TRUE(first.waitForPeriods(first.periods.load() + 2));
        ASSERT_TRUE(output.open(0, 0, &second));  // closes the running one first
        EXPECT_EQ(output.sampleRate(), NullOutput::kDefaultRate);
        const int64_t firstTotal = first.periods.load();
        ASSERT_TRUE(output.start());
        ASSERT_TRUE(second.waitForPeriods(2));
        EXPECT_EQ(first.periods.load(), firstTotal);
    }  // destroyed while running
    EXPECT_FALSE(second.inside.load());
}

}  // namespace
}  // namespace luma
