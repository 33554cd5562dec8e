// Test entry point for widget tests: one QApplication for the whole run
// (offscreen unless the environment says otherwise).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The tester's own deck settings (~/.config/lumatrone) stay out of the tests.
    setenv("XDG_CONFIG_HOME", "/nonexistent/lumatrone-tests", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
