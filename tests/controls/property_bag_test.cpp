// (Written text and its reading back: LumButtonPersistence.SavedText...)
#include "controls/property_bag.h"

#include <gtest/gtest.h>

#include <QFont>

#include "controls/property_bag_text.h"

namespace luma {
namespace {

TEST(PropertyBag, KeysMatchWhateverTheirCaseAndDefaultsAreNotStored) {
    PropertyBag bag;
    bag.writeProperty("FillColor", 0x123456, 0);
    EXPECT_EQ(bag.readProperty("fillcolor", 0).toInt(), 0x123456);
    EXPECT_EQ(bag.readProperty("FILLCOLOR", 0).toInt(), 0x123456);
    bag.writeProperty("FILLCOLOR", 7, 0);
    EXPECT_EQ(bag.size(), 1);
    EXPECT_EQ(bag.readProperty("FillColor", 0).toInt(), 7);

    bag.writeProperty("DotX", 15, 15);
    EXPECT_FALSE(bag.contains("DotX"));
    EXPECT_EQ(bag.readProperty("DotX", 15).toInt(), 15);
    bag.writeProperty("DotX", 4, 15);
    bag.writeProperty("dotx", 15, 15);  // the default over an entry drops it
    EXPECT_FALSE(bag.contains("DotX"));
    EXPECT_EQ(bag.size(), 1);
}

TEST(PropertyBagText, ReadsEveryValueForm) {
    PropertyBag bag;
    const QString text =
        "# deck button\n"
        "FillColor = &H00C0C000\n"
        "backcolor=&hff\n"
        "DotX = -3\n"
        "Enabled = false\n"
        "Caption = \"Say \"\"hi\"\" & go\"\n"
        "\n"
        "' old style comment\n"
        "FontType = \"Courier New\", 12.5, bold, 0\n";
    QString error;
    ASSERT_TRUE(readPropertyBagText(text, bag, &error)) << error.toStdString();
    EXPECT_EQ(bag.readProperty("FillColor", 0).toInt(), 0xC0C000);
    EXPECT_EQ(bag.readProperty("BackColor", 0).toInt(), 0xFF);
    EXPECT_EQ(bag.readProperty("DotX", 0).toInt(), -3);
    EXPECT_EQ(bag.readProperty("Enabled", true).toBool(), false);
    EXPECT_EQ(bag.readProperty("Caption", "").toString(), "Say \"hi\" & go");
    const QFont font = bag.readProperty("FontType", QFont()).value<QFont>();
    EXPECT_EQ(font.family(), "Courier New");
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 12.5);
    EXPECT_TRUE(font.bold());
}

TEST(PropertyBagText, NamesTheLineItCannotRead) {
    PropertyBag bag;
    QString error;
    EXPECT_FALSE(readPropertyBagText("DotX = 4\nCaption = \"open\n", bag, &error));
    EXPECT_TRUE(error.contains("line 2")) << error.toStdString();
    EXPECT_EQ(bag.readProperty("DotX", 0).toInt(), 4);
    EXPECT_FALSE(readPropertyBagText("= 4\n", bag));
    EXPECT_FALSE(readPropertyBagText("DotX = four\n", bag));
    EXPECT_FALSE(readPropertyBagText("FontType = \"Tahoma\", big\n", bag));
}

}  // namespace
}  // namespace luma
