// The deck's timers tick only while enabled. (The scroll bars' and sliders'
// user-or-code split is TransportTest's, on the deck's own bars.)
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "deck/deck_timer.h"

namespace luma {
namespace {

TEST(DeckTimerTest, TicksOnlyWhileEnabled) {
    DeckTimer timer(5, false);
    QSignalSpy ticks(&timer, &DeckTimer::timer);
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), 0);
    timer.setEnabled(true);
    EXPECT_TRUE(ticks.wait(1000));
    timer.setEnabled(false);
    const int seen = ticks.count();
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), seen);
}

}  // namespace
}  // namespace luma
