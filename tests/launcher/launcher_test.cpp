// A signal ends both decks at once, then the launcher; a deck that cannot open its output
// says why and ends failed even while its box is up, and the launcher names it and fails.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <filesystem>

#include "support/temp_dir.h"

namespace luma::test {
namespace {

TEST(LauncherTest, ASignalEndsBothDecksAndAFailedDeckIsReported) {
    TempDir dir;
    const QString home = QString::fromStdString(dir.path().string());
    QStringList deckTwoSettings(38, "");
    deckTwoSettings[6] = "7";  // no such output
    deckTwoSettings[35] = "demo";
    std::filesystem::create_directories(dir.path() / "config" / "lumatrone");
    dir.write("config/lumatrone/deck2.ini", deckTwoSettings.join('\n').toStdString());
    std::filesystem::create_directory(dir.path() / "runtime");
    std::filesystem::permissions(dir.path() / "runtime", std::filesystem::perms::owner_all);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("XDG_RUNTIME_DIR", home + "/runtime");
    environment.insert("LUMATRONE_AUDIO", "null");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("JACK_DEFAULT_SERVER", "lumatrone-test-no-such-server");
    QProcess launcher;
    launcher.setProcessEnvironment(environment);
    launcher.start(LUMA_LAUNCHER_PATH, {});
    ASSERT_TRUE(launcher.waitForStarted(10000));
    QByteArray errors;
    const QByteArray hint = "lumatrone-deck 2: output 7 (settings line 7) could not be opened";
    QElapsedTimer waited;
    waited.start();
    while (!errors.contains(hint) && waited.elapsed() < 20000) {
        launcher.waitForReadyRead(100);
        errors += launcher.readAllStandardError();
    }
    ASSERT_TRUE(errors.contains(hint)) << errors.toStdString();
    QFile children(QString("/proc/%1/task/%1/children").arg(launcher.processId()));
    ASSERT_TRUE(children.open(QIODevice::ReadOnly));
    const QStringList decks =
        QString::fromLatin1(children.readAll()).split(' ', Qt::SkipEmptyParts);
    ASSERT_EQ(decks.size(), 2) << "deck 1 ended before it was asked to";

    QElapsedTimer ending;
    ending.start();
    ::kill(static_cast<pid_t>(launcher.processId()), SIGTERM);
    ASSERT_TRUE(launcher.waitForFinished(5000));
    EXPECT_LT(ending.elapsed(), 3000) << "ended by the signal, not killed after the grace";
    EXPECT_EQ(launcher.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(launcher.exitCode(), 1);
    errors += launcher.readAllStandardError();
    EXPECT_TRUE(errors.contains("lumatrone: deck 2 failed (exit code 1)\n"))
        << errors.toStdString();
    EXPECT_FALSE(errors.contains("lumatrone: deck 1")) << errors.toStdString();
    for (const QString& deck : decks)
        EXPECT_FALSE(QFile::exists("/proc/" + deck)) << "left running";
}

}  // namespace
}  // namespace luma::test
