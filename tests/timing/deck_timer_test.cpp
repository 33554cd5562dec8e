// The shared timer clock: ticks while enabled, on the watch's wakeups, a late tick once.
#include "timing/deck_timer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>
#include <set>

namespace luma::test {
namespace {

double msSince(const QElapsedTimer& clock) {
    return clock.nsecsElapsed() / 1e6;
}

// The event loop for `ms` (QTest::qWait sleeps in 10 ms steps and holds ticks back).
void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(DeckTimerTest, TicksOnlyWhileEnabled) {
    DeckTimer timer(5, false);
    QSignalSpy ticks(&timer, &DeckTimer::timer);
    timer.setEnabled(true);
    EXPECT_TRUE(ticks.wait(1000));
    timer.setEnabled(false);
    const int seen = ticks.count();
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), seen);

    // The readout's ticks come on wakeups where the 2 ms watch ticks too.
    DeckTimer watch(2, true), readout(10, true);
    std::set<uint64_t> watchWakeups;
    std::vector<uint64_t> slowWakeups;
    QObject::connect(&watch, &DeckTimer::timer, [&] { watchWakeups.insert(DeckTimer::wakeups()); });
    QObject::connect(&readout, &DeckTimer::timer,
                     [&] { slowWakeups.push_back(DeckTimer::wakeups()); });
    runEventsFor(100);
    ASSERT_GE(slowWakeups.size(), 5u);
    for (const uint64_t wakeup : slowWakeups) EXPECT_EQ(watchWakeups.count(wakeup), 1u);
}

// A one-shot use (the CUE stutter, the peak reset) waits its whole interval and little more.
TEST(DeckTimerTest, FirstTickComesOneIntervalAfterEnabling) {
    DeckTimer watch(2, true);  // as in the deck
    constexpr int kTimers = 12, kInterval = 250;
    std::vector<std::unique_ptr<DeckTimer>> timers;
    std::vector<double> late(kTimers, -1000);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kTimers; ++i) {
        timers.push_back(std::make_unique<DeckTimer>(kInterval, false));
        const double enabledAt = msSince(clock);
        QObject::connect(timers[i].get(), &DeckTimer::timer, [&, i, enabledAt] {
            if (late[i] == -1000) late[i] = msSince(clock) - enabledAt - kInterval;
        });
        timers[i]->setEnabled(true);
        runEventsFor(1);
    }
    runEventsFor(kInterval + 50);
    std::sort(late.begin(), late.end());
    EXPECT_GE(late.front(), -0.5) << "never before its time (but for the alarm's rounding)";
    // A tick on a coarse timer's grid would come tens of ms late; a loaded machine adds a few.
    EXPECT_LT(late[kTimers / 2], 15.0) << "median; the worst " << late.back();
}

// A tick held up by an overrunning handler runs once, late: the beat missed meanwhile is skipped.
TEST(DeckTimerTest, ALateTickRunsOnce) {
    constexpr int kInterval = 15;
    DeckTimer watch(2, true), slow(kInterval, false), meter(kInterval, false);
    QObject::connect(&slow, &DeckTimer::timer, [&] {
        QThread::msleep(20);
        slow.setEnabled(false);
    });
    std::vector<double> ticks;
    QElapsedTimer clock;
    QObject::connect(&meter, &DeckTimer::timer, [&] { ticks.push_back(msSince(clock)); });
    clock.start();
    slow.setEnabled(true);  // due just before the meter, so it runs first
    meter.setEnabled(true);
    runEventsFor(5 * kInterval);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_GE(ticks[0], 34.5) << "the first beat, behind the slow handler";
    EXPECT_GT(ticks[1] - ticks[0], 1.0) << "the beat missed meanwhile, run at once";
}

}  // namespace
}  // namespace luma::test
