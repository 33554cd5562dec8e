// The property bag a control saves into, and its text form.
#include "controls/property_bag.h"

#include <gtest/gtest.h>

#include "controls/property_bag_text.h"

namespace luma {
namespace {

TEST(PropertyBag, KeysMatchWhateverTheirCaseDefaultsAreNotStoredAndBadTextIsNamed) {
    PropertyBag bag;
    bag.writeProperty("FillColor", 0x123456, 0);
    bag.writeProperty("FILLCOLOR", 7, 0);
    EXPECT_EQ(bag.size(), 1);
    EXPECT_EQ(bag.readProperty("fillcolor", 0).toInt(), 7);

    bag.writeProperty("DotX", 4, 15);
    bag.writeProperty("dotx", 15, 15);  // the default over an entry drops it
    EXPECT_FALSE(bag.contains("DotX"));

    // Text it cannot read is refused, naming the line.
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
