// The deck's scroll bars, sliders and timers behave as its handlers assume.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "deck/deck_timer.h"
#include "deck/scroll_bar.h"
#include "deck/slider.h"

namespace luma {
namespace {

TEST(ScrollBarTest, MinAboveMaxRunsTheOtherWay) {
    ScrollBar eq(Qt::Vertical);  // an equaliser band: +15 dB at the top
    eq.setRange(150, -150);
    eq.setLargeChange(50);
    eq.setValue(0);
    EXPECT_EQ(eq.value(), 0);
    EXPECT_EQ(eq.QScrollBar::value(), 150) << "0 dB half way down";
    QSignalSpy change(&eq, &ScrollBar::change);
    QTest::keyClick(&eq, Qt::Key_Down);
    ASSERT_EQ(change.count(), 1);
    EXPECT_EQ(change[0][0].toInt(), -1) << "down lowers the gain";
    eq.setValue(999);
    EXPECT_EQ(eq.value(), 150) << "held to the range";
}

TEST(ScrollBarTest, CodeAndClicksRaiseChangeDragsRaiseScrollThenOneChange) {
    ScrollBar volume(Qt::Horizontal);
    volume.setRange(0, 100);
    volume.setValue(50);
    QSignalSpy change(&volume, &ScrollBar::change);
    QSignalSpy scroll(&volume, &ScrollBar::scroll);
    volume.setValue(50);
    EXPECT_EQ(change.count(), 0) << "the same value is no change";
    volume.setValue(60);
    EXPECT_EQ(change.count(), 1);

    volume.setSliderDown(true);  // the user grabs the knob
    volume.setSliderPosition(70);
    volume.setSliderPosition(80);
    EXPECT_EQ(scroll.count(), 2);
    EXPECT_EQ(change.count(), 1) << "nothing completes while dragging";
    volume.setSliderDown(false);
    ASSERT_EQ(change.count(), 2);
    EXPECT_EQ(change.last()[0].toInt(), 80);
}

TEST(SliderTest, ScrollComesFromTheUserOnly) {
    Slider pitch(Qt::Vertical);
    pitch.setRange(-1600, 1600);
    QSignalSpy scroll(&pitch, &Slider::scroll);
    pitch.setValue(-5);
    EXPECT_EQ(scroll.count(), 0) << "a value set by code";
    pitch.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(scroll.count(), 1);
    EXPECT_EQ(scroll[0][0].toInt(), -4);
    pitch.setValue(-1600);
    pitch.triggerAction(QAbstractSlider::SliderToMinimum);  // Home, already at the top
    pitch.setValue(0);
    EXPECT_EQ(scroll.count(), 1) << "an action that moved nothing leaves code's values alone";
    Slider position(Qt::Horizontal);
    position.setRange(0, 1000);
    position.setValue(-1);  // no track: the timers hand it -1
    EXPECT_EQ(position.value(), 0);
}

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
