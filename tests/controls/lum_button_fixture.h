#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QTest>

#include "controls/bgr_colour.h"
#include "controls/lum_button.h"

namespace luma {

// A shown 57x41 px button (an 855x615 twip control), as the deck places them.
class LumButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        button.resize(57, 41);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    }

    // Runs a paint, and so a layout pass.
    void relayout() { button.repaint(); }

    static QColor bgr(int colour) { return colourFromBgr(colour); }

    LumButton button;
};

}  // namespace luma
