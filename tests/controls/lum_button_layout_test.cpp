#include <QFile>
#include <QFontInfo>
#include <QLabel>

#include "controls/shape_widget.h"
#include "lum_button_fixture.h"

namespace luma {
namespace {

using LumButtonLayout = LumButtonTest;

TEST_F(LumButtonLayout, ElementsFillTheControlOffsetByOnePixel) {
    EXPECT_EQ(button.pClip()->geometry(), QRect(1, 1, 57, 41));
    EXPECT_EQ(button.shpButton()->geometry(), QRect(1, 1, 55, 39));
    const QRect caption = button.lblCaption()->geometry();
    EXPECT_EQ(caption.left(), 2);
    EXPECT_EQ(caption.width(), 51);
    EXPECT_EQ(caption.top(), (39 - caption.height()) / 2);
    EXPECT_EQ(button.pClip()->palette().color(QPalette::Window), bgr(0x808000));
}

TEST_F(LumButtonLayout, ResizingRedoesTheLayout) {
    button.resize(100, 30);
    EXPECT_EQ(button.shpButton()->geometry(), QRect(1, 1, 98, 28));
    EXPECT_EQ(button.lblCaption()->width(), 94);
}

TEST_F(LumButtonLayout, DotSettersPlaceLeftFromXButLayoutPutsTopFromX) {
    button.setDotX(4);
    button.setDotY(6);
    EXPECT_EQ(button.shpDot()->pos(), QPoint(4, 6));
    relayout();
    EXPECT_EQ(button.shpDot()->pos(), QPoint(6, 4));
}

TEST_F(LumButtonLayout, RunTimeSettersShowAtOnce) {
    button.setFillColor(0x0000FF);
    button.setForeColor(0x00FF00);
    button.setBorderColor(0xFF0000);
    button.setButtonShape(2);
    button.setCaption("Play");
    EXPECT_EQ(button.shpButton()->fillColour(), QColor(Qt::red));
    EXPECT_EQ(button.lblCaption()->palette().color(QPalette::WindowText), QColor(Qt::green));
    EXPECT_EQ(button.shpButton()->borderColour(), QColor(Qt::blue));
    EXPECT_EQ(button.shpButton()->shapeKind(), 2);
    EXPECT_EQ(button.lblCaption()->text(), "Play");
}

TEST_F(LumButtonLayout, OverColorShowsNothingUntilHovered) {
    button.setOverColor(0x0000FF);
    relayout();
    EXPECT_EQ(button.shpDot()->fillColour(), bgr(0xC0C000));
}

TEST_F(LumButtonLayout, FontTypeTakesOnlyTheFace) {
    QFont wanted("Courier New");
    wanted.setPointSize(20);
    wanted.setBold(false);
    button.setFontType(wanted);
    EXPECT_EQ(button.fontType().family(), "Courier New");
    EXPECT_DOUBLE_EQ(button.fontType().pointSizeF(), 9.75);
    EXPECT_TRUE(button.fontType().bold());
    const QFont caption = button.lblCaption()->font();
    EXPECT_EQ(caption.family(), "Courier New");
    EXPECT_DOUBLE_EQ(caption.pointSizeF(), 9.75);
    EXPECT_TRUE(caption.bold());
}

TEST_F(LumButtonLayout, CaptionUsesTheDesignFont) {
    const QFont caption = button.lblCaption()->font();
    EXPECT_DOUBLE_EQ(caption.pointSizeF(), 9.75);
    EXPECT_TRUE(caption.bold());
    if (!QFile::exists("/usr/share/wine/fonts/tahoma.ttf")) GTEST_SKIP() << "fonts-wine absent";
    EXPECT_EQ(QFontInfo(caption).family(), "Tahoma");
}

TEST_F(LumButtonLayout, AccessKeyCharacterIsNotShown) {
    button.setCaption("&Load && go");
    EXPECT_EQ(button.lblCaption()->text(), "Load & go");
}

}  // namespace
}  // namespace luma
