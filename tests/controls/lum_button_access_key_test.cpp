#include "lum_button_fixture.h"

namespace luma {
namespace {

using LumButtonAccessKey = LumButtonTest;

TEST_F(LumButtonAccessKey, AltAndTheMarkedLetterClicks) {
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

}  // namespace
}  // namespace luma
