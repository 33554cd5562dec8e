#include <QFile>
#include <QFontInfo>
#include <QLabel>

#include "controls/shape_widget.h"
#include "lum_button_fixture.h"

namespace luma {
namespace {

using LumButtonLayout = LumButtonTest;

TEST_F(LumButtonLayout, ElementsFillTheControlOffsetByOnePixelAndFollowResizing) {
    EXPECT_EQ(button.pClip()->geometry(), QRect(1, 1, 57, 41));
    EXPECT_EQ(button.shpButton()->geometry(), QRect(1, 1, 55, 39));
    const QRect caption = button.lblCaption()->geometry();
    EXPECT_EQ(caption.left(), 2);
    EXPECT_EQ(caption.width(), 51);
    EXPECT_EQ(caption.top(), (39 - caption.height()) / 2);
    EXPECT_EQ(button.pClip()->palette().color(QPalette::Window), bgr(0x808000));
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

TEST_F(LumButtonLayout, RunTimeSettersShowAtOnceButOverColorOnlyWhenHovered) {
    button.setFillColor(0x0000FF);
    button.setForeColor(0x00FF00);
    button.setBorderColor(0xFF0000);
    button.setButtonShape(2);
    button.setCaption("&Load && go");
    EXPECT_EQ(button.shpButton()->fillColour(), QColor(Qt::red));
    EXPECT_EQ(button.lblCaption()->palette().color(QPalette::WindowText), QColor(Qt::green));
    EXPECT_EQ(button.shpButton()->borderColour(), QColor(Qt::blue));
    EXPECT_EQ(button.shpButton()->shapeKind(), 2);
    EXPECT_EQ(button.lblCaption()->text(), "Load & go") << "the access key's & is not shown";
    button.setOverColor(0x0000FF);
    relayout();
    EXPECT_EQ(button.shpDot()->fillColour(), bgr(0xC0C000));
}

TEST_F(LumButtonLayout, AltAndTheMarkedLetterClicks) {
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    int clicks = 0;
    QObject::connect(&button, &LumButton::click, [&] { ++clicks; });
    button.setCaption("&Play");
    QTest::keyClick(&button, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);

    button.setCaption("R&&B");  // a doubled & is a plain character, not a key
    QTest::keyClick(&button, Qt::Key_B, Qt::AltModifier);
    QTest::keyClick(&button, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
}

TEST_F(LumButtonLayout, CaptionUsesTheDesignFontAndFontTypeTakesOnlyTheFace) {
    const QFont design = button.lblCaption()->font();
    EXPECT_DOUBLE_EQ(design.pointSizeF(), 9.75);
    EXPECT_TRUE(design.bold());
    if (QFile::exists("/usr/share/wine/fonts/tahoma.ttf")) {
        EXPECT_EQ(QFontInfo(design).family(), "Tahoma");
    }

    QFont wanted("Courier New");
    wanted.setPointSize(20);
    wanted.setBold(false);
    button.setFontType(wanted);
    for (const QFont& font : {button.fontType(), button.lblCaption()->font()}) {
        EXPECT_EQ(font.family(), "Courier New");
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.75);
        EXPECT_TRUE(font.bold());
    }
}

}  // namespace
}  // namespace luma
