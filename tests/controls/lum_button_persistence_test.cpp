#include <QLabel>

#include "controls/property_bag.h"
#include "controls/property_bag_text.h"
#include "controls/shape_widget.h"
#include "lum_button_fixture.h"

namespace luma {
namespace {

using LumButtonPersistence = LumButtonTest;

PropertyBag bagFromText(const QString& text) {
    PropertyBag bag;
    EXPECT_TRUE(readPropertyBagText(text, bag));
    return bag;
}

TEST_F(LumButtonPersistence, AnEmptyBagRestoresTheDefaultLook) {
    button.restore(PropertyBag());
    relayout();
    EXPECT_EQ(button.caption(), "Button");
    EXPECT_EQ(button.lblCaption()->text(), "Button");
    EXPECT_EQ(button.shpButton()->fillColour(), QColor(0x00, 0x80, 0x80));
    EXPECT_EQ(button.shpButton()->shapeKind(), 4);
    EXPECT_EQ(button.shpDot()->fillColour(), QColor(0x00, 0xC0, 0xC0));
    EXPECT_EQ(button.shpDot()->geometry(), QRect(15, 15, 10, 10));
    EXPECT_EQ(button.shpDot()->shapeKind(), 3);
    EXPECT_EQ(button.overColor(), 0xFFFF00);
}

TEST_F(LumButtonPersistence, AnAllDefaultButtonSavesNothing) {
    PropertyBag bag;
    button.save(bag);
    EXPECT_TRUE(bag.isEmpty()) << propertyBagToText(bag).toStdString();
    button.restore(PropertyBag());
    button.save(bag);
    EXPECT_TRUE(bag.isEmpty()) << propertyBagToText(bag).toStdString();
}

TEST_F(LumButtonPersistence, SavedBagRestoresAnIdenticalButtonInFixedKeyOrder) {
    button.restore(
        bagFromText("DotShape = 0\nCaption = \"&Cue\"\nFillColor = &H000000FF\nBorderSize = 3\n"
                    "Enabled = False\nDotX = 4\nDotY = 6\nOverColor = &H0000FF00\n"
                    "FontType = \"Courier New\", 9.75, bold\n"));
    PropertyBag saved;
    button.save(saved);
    EXPECT_EQ(saved.keys(), QStringList({"FillColor", "BorderSize", "OverColor", "FontType",
                                         "Caption", "Enabled", "DotX", "DotY", "DotShape"}));

    LumButton copy;
    copy.restore(saved);
    PropertyBag savedAgain;
    copy.save(savedAgain);
    EXPECT_EQ(propertyBagToText(savedAgain), propertyBagToText(saved));
    EXPECT_EQ(copy.fontType().family(), "Courier New");
    EXPECT_EQ(copy.dotY(), 6);
}

TEST_F(LumButtonPersistence, KeysAreReadWhateverTheirCase) {
    button.restore(bagFromText("fillcolor = &H000000FF\nDOTWIDTH = 20\ncaption = \"Sync\"\n"));
    EXPECT_EQ(button.fillColor(), 0xFF);
    EXPECT_EQ(button.dotWidth(), 20);
    EXPECT_EQ(button.caption(), "Sync");
}

TEST_F(LumButtonPersistence, RestoredValuesWaitForTheNextLayout) {
    button.restore(bagFromText("FillColor = &H000000FF\n"));
    EXPECT_EQ(button.shpButton()->fillColour(), bgr(0x808000));
    relayout();
    EXPECT_EQ(button.shpButton()->fillColour(), QColor(Qt::red));
}

TEST_F(LumButtonPersistence, RestoredBorderSizeShowsOnlyOnceSetAgain) {
    button.restore(bagFromText("BorderSize = 5\n"));
    relayout();
    EXPECT_EQ(button.borderSize(), 5);
    EXPECT_EQ(button.shpButton()->borderWidth(), 2);
    button.setBorderSize(5);
    EXPECT_EQ(button.shpButton()->borderWidth(), 5);
}

TEST_F(LumButtonPersistence, RestoredFontTypeLeavesTheCaptionFontAlone) {
    const QString captionFamily = button.lblCaption()->font().family();
    button.restore(bagFromText("FontType = \"Courier New\", 20, normal\n"));
    relayout();
    EXPECT_EQ(button.fontType().family(), "Courier New");
    EXPECT_DOUBLE_EQ(button.fontType().pointSizeF(), 9.75);
    EXPECT_EQ(button.lblCaption()->font().family(), captionFamily);
}

TEST_F(LumButtonPersistence, SettersMarkPropertiesChangedUntilSaved) {
    EXPECT_FALSE(button.propertiesChanged());
    button.setOverColor(0x123456);
    EXPECT_TRUE(button.propertiesChanged());
    PropertyBag bag;
    button.save(bag);
    EXPECT_FALSE(button.propertiesChanged());
    EXPECT_EQ(bag.readProperty("overcolor", 0).toInt(), 0x123456);
}

}  // namespace
}  // namespace luma
