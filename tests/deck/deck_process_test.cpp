// The real deck program, started as the launcher starts it, comes up on the
// null output and shuts down cleanly.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include "support/temp_dir.h"

namespace luma::test {
namespace {

TEST(DeckProcessTest, ComesUpAndShutsDownCleanly) {
    TempDir dir;
    const QString picture = QString::fromStdString(dir.file("deck.png"));
    QProcess deck;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUMATRONE_AUDIO", "null");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("LUMATRONE_SCREENSHOT", picture);  // renders itself, then quits
    deck.setProcessEnvironment(environment);
    deck.start(LUMA_DECK_PATH, {"1"});
    ASSERT_TRUE(deck.waitForFinished(20000)) << "the deck did not end";
    EXPECT_EQ(deck.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(deck.exitCode(), 0) << deck.readAllStandardError().toStdString();
    const QImage image(picture);
    EXPECT_EQ(image.size(), QSize(441, 768));
}

}  // namespace
}  // namespace luma::test
