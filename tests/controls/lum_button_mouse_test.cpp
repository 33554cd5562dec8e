#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include "controls/shape_widget.h"
#include "lum_button_fixture.h"

namespace luma {
namespace {

using LumButtonMouse = LumButtonTest;

double captionPoints(const LumButton& button) {
    return button.lblCaption()->font().pointSizeF();
}

// MouseDown goes out before the look changes.
TEST_F(LumButtonMouse, PressShrinksTheCaptionAndReleaseSetsTenPoints) {
    double pointsDuringMouseDown = 0;
    QObject::connect(&button, &LumButton::mouseDown,
                     [&] { pointsDuringMouseDown = captionPoints(button); });
    QWidget* surface = button.pClip();
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_DOUBLE_EQ(pointsDuringMouseDown, 9.75);
    EXPECT_DOUBLE_EQ(captionPoints(button), 7.75);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_DOUBLE_EQ(captionPoints(button), 10.0);
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_DOUBLE_EQ(pointsDuringMouseDown, 10.0);
    EXPECT_DOUBLE_EQ(captionPoints(button), 8.0);
    const QRect caption = button.lblCaption()->geometry();
    EXPECT_EQ(caption.top(), (button.shpButton()->height() - caption.height()) / 2);
}

TEST_F(LumButtonMouse, EventsCarryButtonShiftAndElementPixels) {
    QList<QList<float>> downs;
    QObject::connect(&button, &LumButton::mouseDown, [&](int b, int s, float x, float y) {
        downs.append({float(b), float(s), x, y});
    });
    QLabel* caption = button.lblCaption();
    QTest::mousePress(caption, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier,
                      QPoint(7, 3));
    QTest::mouseRelease(caption, Qt::RightButton, {}, QPoint(7, 3));
    // Over the lamp the surface still takes the press.
    const QPoint overDot = button.shpDot()->geometry().center();
    QTest::mousePress(button.pClip(), Qt::MiddleButton, Qt::AltModifier, overDot);
    ASSERT_EQ(downs.size(), 2);
    EXPECT_EQ(downs[0], (QList<float>{2, 3, 7, 3}));
    EXPECT_EQ(downs[1], (QList<float>{4, 4, float(overDot.x()), float(overDot.y())}));
}

TEST_F(LumButtonMouse, ClickFollowsMouseUpOnlyWhenReleasedOnThePressedElement) {
    QStringList seen;
    QObject::connect(&button, &LumButton::mouseDown, [&] { seen << "down"; });
    QObject::connect(&button, &LumButton::mouseUp, [&] { seen << "up"; });
    QObject::connect(&button, &LumButton::click, [&] { seen << "click"; });
    QTest::mouseClick(button.lblCaption(), Qt::LeftButton);
    EXPECT_EQ(seen, QStringList({"down", "up", "click"}));

    // A quick second tap reaches widgets as a double click in place of its
    // press: it is a press all the same.
    seen.clear();
    const QPointF at(5, 5);
    QMouseEvent secondTap(QEvent::MouseButtonDblClick, at, button.pClip()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(button.pClip(), &secondTap);
    QTest::mouseRelease(button.pClip(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(seen, QStringList({"down", "up", "click"}));

    seen.clear();
    QTest::mousePress(button.pClip(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button.pClip(), Qt::LeftButton, {}, QPoint(5, 200));
    EXPECT_EQ(seen, QStringList({"down", "up"}));
}

// Drives the hover poll with an injected pointer position.
class LumButtonHover : public LumButtonTest {
  protected:
    void SetUp() override {
        LumButtonTest::SetUp();
        button.setCursorPositionSource([this] { return pointer; });
        QObject::connect(&button, &LumButton::mouseLeft, [this] { ++leaves; });
    }

    QPoint surfaceCorner() const { return button.pClip()->mapToGlobal(QPoint(0, 0)); }

    void moveOver(QWidget* element) {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), element->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(element, &move);
    }

    bool waitForDot(const QColor& colour) {
        for (int i = 0; i < 100 && button.shpDot()->fillColour() != colour; ++i) QTest::qWait(10);
        return button.shpDot()->fillColour() == colour;
    }

    QPoint pointer;
    int leaves = 0;
};

TEST_F(LumButtonHover, LampLightsWhileOverTheSurfaceOverTheHostsColourAndLeavesOnce) {
    moveOver(button.lblCaption());
    EXPECT_FALSE(button.tmrOver()->isActive()) << "the caption does not start the poll";
    pointer = surfaceCorner() + QPoint(20, 20);
    moveOver(button.pClip());
    EXPECT_TRUE(button.tmrOver()->isActive());
    EXPECT_TRUE(waitForDot(bgr(0xFFFF00)));
    button.setDotColor(0x0000FF);
    EXPECT_EQ(button.shpDot()->fillColour(), QColor(Qt::red));
    EXPECT_TRUE(waitForDot(bgr(0xFFFF00))) << "overwritten while hovered";

    // The surface's right edge is already outside.
    pointer = surfaceCorner() + QPoint(button.pClip()->width(), 20);
    EXPECT_TRUE(waitForDot(QColor(Qt::red)));
    EXPECT_FALSE(button.tmrOver()->isActive());
    QTest::qWait(50);
    EXPECT_EQ(leaves, 1);
}

}  // namespace
}  // namespace luma
