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

// A restored look shows at the next layout; setters mark the properties
// changed until they are saved.
TEST_F(LumButtonPersistence, AnEmptyBagRestoresTheDefaultLookWhichSavesNothing) {
    EXPECT_FALSE(button.propertiesChanged());
    button.setCaption("Cue");
    button.setFillColor(0xFF);
    EXPECT_TRUE(button.propertiesChanged());
    button.restore(PropertyBag());
    EXPECT_EQ(button.shpButton()->fillColour(), QColor(Qt::red));
    relayout();
    EXPECT_EQ(button.lblCaption()->text(), "Button");
    EXPECT_EQ(button.shpButton()->fillColour(), QColor(0x00, 0x80, 0x80));
    EXPECT_EQ(button.shpDot()->geometry(), QRect(15, 15, 10, 10));
    PropertyBag bag;
    button.save(bag);
    EXPECT_TRUE(bag.isEmpty()) << propertyBagToText(bag).toStdString();
    EXPECT_FALSE(button.propertiesChanged());
}

// Keys in any case; written in a fixed key order, every value form read back
// as written.
TEST_F(LumButtonPersistence, SavedTextRestoresAnIdenticalButtonInFixedKeyOrder) {
    button.restore(bagFromText(
        "DotShape = 0\nCaption = \"Say \"\"&Cue\"\"\"\nFillColor = &H000000FF\nBorderSize = 3\n"
        "Enabled = False\ndotwidth = 20\nDotX = 4\nDotY = 6\nOverColor = &H0000FF00\n"
        "FontType = \"Courier New\", 9.75, bold\n"));
    PropertyBag saved;
    button.save(saved);
    const QString text =
        "FillColor = &H000000FF\nBorderSize = 3\nOverColor = &H0000FF00\n"
        "FontType = \"Courier New\", 9.75, bold\nCaption = \"Say \"\"&Cue\"\"\"\nEnabled = False\n"
        "DotX = 4\nDotY = 6\nDotWidth = 20\nDotShape = 0\n";
    EXPECT_EQ(propertyBagToText(saved).toStdString(), text.toStdString());
    LumButton copy;
    copy.restore(bagFromText(text));
    PropertyBag savedAgain;
    copy.save(savedAgain);
    EXPECT_EQ(propertyBagToText(savedAgain).toStdString(), text.toStdString());
}

// Two restored values never reach the look: the border size until it is set
// again, the font type at all.
TEST_F(LumButtonPersistence, RestoredBorderSizeAndFontTypeDoNotShow) {
    const QString captionFamily = button.lblCaption()->font().family();
    button.restore(bagFromText("BorderSize = 5\nFontType = \"Courier New\", 20, normal\n"));
    relayout();
    EXPECT_EQ(button.borderSize(), 5);
    EXPECT_EQ(button.shpButton()->borderWidth(), 1) << "the outline drawn at design time";
    EXPECT_EQ(button.fontType().family(), "Courier New");
    EXPECT_DOUBLE_EQ(button.fontType().pointSizeF(), 9.75);
    EXPECT_EQ(button.lblCaption()->font().family(), captionFamily);
    button.setBorderSize(5);
    EXPECT_EQ(button.shpButton()->borderWidth(), 5);
}

}  // namespace
}  // namespace luma
