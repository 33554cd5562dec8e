// The deck window's start-up and shutdown against a recording engine: the
// order of calls, each fatal path with its message, placement, dragging, the
// browser's placement on the configured folder, the timers it runs on; and
// the real programs started side by side.
#include "deck/frm_main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "binding/engine_library.h"
#include "deck/deck_timer.h"
#include "deck_fixture.h"

namespace luma::test {
namespace {

TEST_F(FrmMainTest, StartsUpInOrderOnTheConfiguredDevice) {
    auto deck = makeDeck("1");
    RecordingAudio& engine = *audioView;
    deck->Form_Load();
    EXPECT_EQ(engine.calls,
              (QStringList{"BASS_GetDeviceDescription(0)", "BASS_GetDeviceDescription(1)",
                           "BASS_GetDeviceDescription(2)", "BASS_GetVersion", "BASS_GetVersion",
                           "BASS_Init(1,44100,0)", "BASS_Start", "BASS_GetInfo(56)",
                           "BASS_SetGlobalVolumes(50,50,50)"}));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(deck->lblWindowTitle->text(), "DECK 1");
    EXPECT_EQ(deck->windowIcon().pixmap(128).size(), QSize(128, 128)) << "the window's icon";
    EXPECT_EQ(deck->pos(), QPoint(0, 0));
    EXPECT_EQ(deck->cmbDevices->count(), 2);
    EXPECT_EQ(deck->cmbDevices->itemText(1), "1 - USB Mixer");
    EXPECT_TRUE(deck->tmrSpectrum->enabled());
    EXPECT_TRUE(deck->tmrCPU->enabled());
    EXPECT_FALSE(deck->tmrDJControl->enabled()) << "joystick off in the settings";
    EXPECT_EQ(deck->filFile->count(), 1);
    EXPECT_EQ(deck->dirFile->path(), folder_ + "/crate");

    engine.calls.clear();
    deck->salir();
    EXPECT_EQ(engine.calls, (QStringList{"BASS_Stop", "BASS_StreamFree(0)", "BASS_MusicFree(0)",
                                         "BASS_Free", "endProcess"}));
}

// A music folder that is missing leaves the browser where it was, quietly.
TEST_F(FrmMainTest, DeckTwoSitsRightOtherNumbersStayPutAndReportTheMissingFile) {
    setSettings(0, 3, folder_ + "/no such folder");
    auto two = makeDeck("2");
    const QString before = two->dirFile->path();
    two->Form_Load();
    EXPECT_EQ(two->pos(), QPoint(579, 0));
    EXPECT_TRUE(audioView->calls.contains("BASS_Init(3,44100,0)")) << "its own line";
    EXPECT_EQ(two->txtJoyID->text(), "1");
    EXPECT_EQ(two->dirFile->path(), before);
    EXPECT_TRUE(platform.messages.empty());

    audio = std::make_unique<RecordingAudio>();
    auto three = makeDeck("3");
    three->move(123, 45);
    three->Form_Load();
    EXPECT_EQ(three->pos(), QPoint(123, 0));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "ERROR opening deck3.ini");
    EXPECT_EQ(platform.messages[0].style, kMessageOk);
    EXPECT_FALSE(three->lblBPMs->isVisibleTo(three.get())) << "empty line 1: no tempo display";
    EXPECT_TRUE(audioView->calls.contains("BASS_Init(0,44100,0)"));
}

TEST_F(FrmMainTest, EachFatalPathSaysWhyAndEnds) {
    struct Case {
        std::function<void(FrmMainTest&)> arrange;
        QString text, caption;
        bool initCalled;
        int style = kMessageCritical;
        QString commandLine = "1";
    };
    const Case cases[] = {
        {[](FrmMainTest&) {}, "You must run lumatroneDJ.exe.", "", false, kMessageOk, ""},
        {[](FrmMainTest& t) { QFile::remove(t.folder_ + "/" + kEngineLibraryFile); },
         "BASS.DLL not exists", "BASS.DLL", false},
        {[](FrmMainTest& t) { t.audio->version = 1u | (80u << 16); },
         "BASS version 1.8 was not loaded", "Bass.Dll", false},
        {[](FrmMainTest& t) { t.audio->version = 1u | (9u << 16); },
         "BASS version 1.8 was not loaded", "Bass.Dll", false},
        {[](FrmMainTest& t) { t.audio->initResult = 0; },
         "Error: Couldn't Initialize Digital Output", "Digital output", true},
        {[](FrmMainTest& t) { t.audio->soundSystemVersion = 8; },
         "DirectX version 9 is not Installed!!!", "DX8", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        audio = std::make_unique<RecordingAudio>();
        platform = RecordingPlatform();
        writeFile(kEngineLibraryFile, "engine");
        c.arrange(*this);
        auto deck = makeDeck(c.commandLine);
        deck->Form_Load();
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, c.text);
        EXPECT_EQ(platform.messages[0].caption, c.caption);
        EXPECT_EQ(platform.messages[0].style, c.style);
        EXPECT_EQ(platform.ends, 1);
        const QStringList& calls = audioView->calls;
        EXPECT_EQ(calls.contains("BASS_Init(1,44100,0)"), c.initCalled);
        EXPECT_FALSE(calls.contains("BASS_Start") && !c.initCalled);
        if (c.caption == "DX8") {
            // The sound-system check frees the engine before it says so.
            EXPECT_EQ(calls.mid(calls.indexOf("BASS_Free")).first(2),
                      (QStringList{"BASS_Free", "message(DirectX version 9 is not Installed!!!)"}));
        }
    }
}

TEST_F(FrmMainTest, BrowserListsFollowEachOther) {
    QDir(folder_).mkpath("crate/deeper");
    writeFile("crate/deeper/a.wav", "");
    writeFile("crate/deeper/b.ogg", "");
    auto deck = makeDeck("1");
    deck->Form_Load();
    ASSERT_TRUE(deck->dirFile->setPath(folder_ + "/crate/deeper"));
    EXPECT_EQ(deck->filFile->path(), folder_ + "/crate/deeper") << "folder change lists its files";
    EXPECT_EQ(deck->filFile->count(), 2);
    // Choosing the drive again opens the folder last visited on it.
    ASSERT_TRUE(deck->dirFile->setPath(folder_));
    emit deck->drvFile->change();
    EXPECT_EQ(deck->dirFile->path(), folder_);
    EXPECT_EQ(deck->filFile->path(), folder_);
}

// The options sit on the panel's shape fill, so their white captions read:
// what is painted, not only what the palette says.
TEST_F(FrmMainTest, OptionsArePaintedOnTheShapeFill) {
    auto deck = makeDeck("1");
    deck->Form_Load();
    const QColor shapeFill(66, 118, 121);
    for (QWidget* option :
         {static_cast<QWidget*>(deck->chkMono), static_cast<QWidget*>(deck->chkRepeat),
          static_cast<QWidget*>(deck->optActivity)}) {
        const QImage picture = option->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(picture.constBits());
        const qsizetype size = picture.width() * picture.height();
        EXPECT_GT(std::count(pixels, pixels + size, shapeFill.rgb()), size / 2)
            << option->objectName().toStdString();
    }
}

TEST_F(FrmMainTest, TitleDragMovesTheWindowWithTheLeftButtonOnly) {
    auto deck = makeDeck("1");
    deck->Form_Load();
    deck->move(100, 50);
    QWidget* title = deck->lblWindowTitle;
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, title->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(title, &event);
    };
    send(QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton);
    send(QEvent::MouseMove, {30, 12}, Qt::LeftButton);
    EXPECT_EQ(deck->pos(), QPoint(120, 57));
    send(QEvent::MouseMove, {60, 12}, Qt::RightButton);
    send(QEvent::MouseMove, {60, 12}, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(deck->pos(), QPoint(120, 57));
}

// The deck's timers tick only while enabled.
TEST(DeckTimerTest, TicksOnlyWhileEnabled) {
    DeckTimer timer(5, false);
    QSignalSpy ticks(&timer, &DeckTimer::timer);
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), 0);
    timer.setEnabled(true);
    EXPECT_TRUE(ticks.wait(1000));
    timer.setEnabled(false);
    const int seen = ticks.count();
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), seen);
}

// The real deck programs, started as the launcher starts them, come up on
// the system's default output and shut down cleanly, saying nothing on stderr.
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
