// The real deck programs, started as the launcher starts them, come up on
// the system's default output and shut down cleanly, saying nothing on stderr.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <filesystem>

#include "support/temp_dir.h"

namespace luma::test {
namespace {

// Both decks at once on their shipped settings (device 0), on a machine
// whose default output is ALSA's null device and that runs no JACK server:
// device 0 must be that default, shared by both, and neither the output nor
// the MIDI scan may complain about the missing JACK server.
TEST(DeckProcessTest, BothDecksComeUpOnTheDefaultOutputQuietlyAndShutDownCleanly) {
    TempDir dir;
    dir.write(".asoundrc", "pcm.!default { type null }\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LUMATRONE_AUDIO");
    environment.insert("HOME", QString::fromStdString(dir.path().string()));
    const std::string runtime = dir.file("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime));
    environment.insert("JACK_DEFAULT_SERVER", "lumatrone-test-no-such-server");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess decks[2];
    QString pictures[2];
    for (int i = 0; i < 2; ++i) {
        pictures[i] = QString::fromStdString(dir.file("deck" + std::to_string(i + 1) + ".png"));
        environment.insert("LUMATRONE_SCREENSHOT", pictures[i]);  // renders itself, then quits
        decks[i].setProcessEnvironment(environment);
        decks[i].start(LUMA_DECK_PATH, {QString::number(i + 1)});
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(decks[i].waitForFinished(20000)) << "deck " << i + 1 << " did not end";
        EXPECT_EQ(decks[i].exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(decks[i].exitCode(), 0);
        EXPECT_EQ(decks[i].readAllStandardError().toStdString(), "") << "deck " << i + 1;
        EXPECT_EQ(QImage(pictures[i]).size(), QSize(441, 768));
    }
}

}  // namespace
}  // namespace luma::test
