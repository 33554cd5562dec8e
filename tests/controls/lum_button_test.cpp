// The deck's button control, shown: layout, mouse, hover and saved properties.
#include "controls/lum_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include "controls/property_bag.h"
#include "controls/property_bag_text.h"
#include "controls/shape_widget.h"
#include "qt_print.h"

namespace luma {
namespace {

PropertyBag bagFromText(const QString& text) {
    PropertyBag bag;
    EXPECT_TRUE(readPropertyBagText(text, bag));
    return bag;
}

QString savedText(LumButton& button) {
    PropertyBag bag;
    button.save(bag);
    return propertyBagToText(bag);
}

// A shown 57x41 px button (an 855x615 twip control), as the deck places them.
class LumButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        button.resize(57, 41);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    }
    double captionPoints() const { return button.lblCaption()->font().pointSizeF(); }

    LumButton button;
};

// The elements follow the control's size; the dot's setters take X as left, a layout as top.
TEST_F(LumButtonTest, ElementsFillTheControlAndTheLayoutSwapsTheDotsXAndY) {
    button.setDotX(4);
    button.setDotY(6);
    EXPECT_EQ(button.shpDot()->pos(), QPoint(4, 6));
    button.resize(100, 30);
    button.repaint();  // a paint runs a layout pass
    EXPECT_EQ(button.shpButton()->geometry(), QRect(1, 1, 98, 28));
    EXPECT_EQ(button.lblCaption()->width(), 94);
    EXPECT_EQ(button.shpDot()->pos(), QPoint(6, 4));
}

TEST_F(LumButtonTest, AltAndTheMarkedLetterClicks) {
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    int clicks = 0;
    QObject::connect(&button, &LumButton::click, [&] { ++clicks; });
    button.setCaption("&Play");
    EXPECT_EQ(button.lblCaption()->text(), "Play") << "the access key's & is not shown";
    QTest::keyClick(&button, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);

    button.setCaption("R&&B");  // a doubled & is a plain character, not a key
    EXPECT_EQ(button.lblCaption()->text(), "R&B");
    QTest::keyClick(&button, Qt::Key_B, Qt::AltModifier);
    QTest::keyClick(&button, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
}

// The font type takes only the face; restored, it and the border show only when set again.
TEST_F(LumButtonTest, FontTypeTakesOnlyTheFaceAndRestoredFontAndBorderDoNotShow) {
    const QString captionFamily = button.lblCaption()->font().family();
    button.restore(bagFromText("BorderSize = 5\nFontType = \"Courier New\", 20, normal\n"));
    button.repaint();
    EXPECT_EQ(button.shpButton()->borderWidth(), 1) << "the outline drawn at design time";
    EXPECT_EQ(button.lblCaption()->font().family(), captionFamily);
    button.setBorderSize(5);
    EXPECT_EQ(button.shpButton()->borderWidth(), 5);
    button.setFontType(QFont("Courier New", 20, QFont::Normal));
    for (const QFont& font : {button.fontType(), button.lblCaption()->font()}) {
        EXPECT_EQ(font.family(), "Courier New");
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.75) << "the design's size";
    }
}

// Events carry button, shift and pixel, before the look changes; only a left release clicks.
TEST_F(LumButtonTest, PressShrinksTheCaptionReleaseSetsTenPointsAndClicks) {
    QStringList seen;
    const auto note = [&](const char* name) {
        return [&seen, name, this](int b, int s, float x, float y) {
            seen << QString::asprintf("%s %d %d %g,%g %g", name, b, s, x, y, captionPoints());
        };
    };
    QObject::connect(&button, &LumButton::mouseDown, note("down"));
    QObject::connect(&button, &LumButton::mouseUp, note("up"));
    QObject::connect(&button, &LumButton::click,
                     [&] { seen << "click " + QString::number(captionPoints()); });
    QWidget* surface = button.pClip();
    QLabel* caption = button.lblCaption();
    QTest::mousePress(caption, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(caption, Qt::LeftButton, {}, QPoint(5, 5));
    // A quick second tap arrives as a double click: a press all the same.
    const QPointF at(5, 5);
    QMouseEvent secondTap(QEvent::MouseButtonDblClick, at, surface->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, {});
    QApplication::sendEvent(surface, &secondTap);
    EXPECT_EQ(caption->y(), (button.shpButton()->height() - caption->height()) / 2);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(5, 200));
    QTest::mousePress(caption, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, {7, 3});
    QTest::mouseRelease(caption, Qt::RightButton, {}, QPoint(7, 3));
    // Over the lamp the surface still takes the press.
    const QPoint overDot = button.shpDot()->geometry().center();
    QTest::mousePress(surface, Qt::MiddleButton, Qt::AltModifier, overDot);
    EXPECT_EQ(seen, QStringList({"down 1 0 5,5 9.75", "up 1 0 5,5 7.75", "click 10",
                                 "down 1 0 5,5 10", "up 1 0 5,5 8", "click 10", "down 1 0 5,5 10",
                                 "up 1 0 5,200 8", "down 2 3 7,3 10", "up 2 0 7,3 8",
                                 QString("down 4 4 %1,%2 10").arg(overDot.x()).arg(overDot.y())}));
}

// The hover poll driven with an injected pointer position.
TEST_F(LumButtonTest, LampLightsWhileOverTheSurfaceOverTheHostsColourAndLeavesOnce) {
    QPoint pointer;
    int leaves = 0;
    button.setCursorPositionSource([&] { return pointer; });
    QObject::connect(&button, &LumButton::mouseLeft, [&] { ++leaves; });
    const auto moveOver = [](QWidget* element) {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), element->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(element, &move);
    };
    const auto waitForDot = [this](const QColor& colour) {
        return QTest::qWaitFor([&] { return button.shpDot()->fillColour() == colour; }, 1000);
    };
    const QColor over(0x00, 0x80, 0xFF);
    button.setOverColor(0xFF8000);  // BGR
    const QPoint corner = button.pClip()->mapToGlobal(QPoint(0, 0));
    moveOver(button.lblCaption());
    EXPECT_FALSE(button.tmrOver()->isActive()) << "the caption does not start the poll";
    pointer = corner + QPoint(20, 20);
    moveOver(button.pClip());
    EXPECT_TRUE(waitForDot(over));
    button.setDotColor(0x0000FF);
    EXPECT_TRUE(waitForDot(over)) << "the lamp's colour overwritten while hovered";

    // The surface's right edge is already outside.
    pointer = corner + QPoint(button.pClip()->width(), 20);
    EXPECT_TRUE(waitForDot(QColor(Qt::red)));
    QTest::qWait(50);
    EXPECT_EQ(leaves, 1);
}

// Saved text, in a fixed key order, reads back as written; the default look saves nothing.
TEST_F(LumButtonTest, SavedTextRestoresAnIdenticalButtonAndAnEmptyBagTheDefaults) {
    button.restore(bagFromText(
        "# deck button\n' old style comment\n\nDotShape = 0\nCaption = \"Say \"\"&Cue\"\" & go\"\n"
        "fillcolor=&hff\nBorderSize = 3\nEnabled = false\ndotwidth = 20\nDotX = -3\nDotY = 6\n"
        "OverColor = &H0000FF00\nFontType = \"Courier New\", 12.5, bold, 0\n"));
    const QString text =
        "FillColor = &H000000FF\nBorderSize = 3\nOverColor = &H0000FF00\n"
        "FontType = \"Courier New\", 9.75, bold\nCaption = \"Say \"\"&Cue\"\" & go\"\n"
        "Enabled = False\nDotX = -3\nDotY = 6\nDotWidth = 20\nDotShape = 0\n";
    EXPECT_EQ(savedText(button), text);
    LumButton copy;
    copy.restore(bagFromText(text));
    EXPECT_EQ(savedText(copy), text);

    button.setCaption("Cue");
    EXPECT_TRUE(button.propertiesChanged());
    button.restore(PropertyBag());
    button.repaint();
    EXPECT_EQ(button.lblCaption()->text(), "Button");
    EXPECT_EQ(savedText(button), "");
    EXPECT_FALSE(button.propertiesChanged());
}

}  // namespace
}  // namespace luma
