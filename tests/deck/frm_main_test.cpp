// The deck window against a recording engine: start-up, fatal paths, placement, keys, the
// browser, loading a track; where the desktop puts a box; both real decks side by side.
#include "deck/frm_main.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <tuple>

#include "deck_fixture.h"
#include "loading/file_names.h"

namespace luma::test {
namespace {

TEST_F(FrmMainTest, StartsUpOnTheConfiguredDeviceAndCtrlQShutsItDown) {
    writeUserFile("lumatrone.conf", "[sync]\nlatency-ms = -7\n");
    deck = makeDeck("1");
    // The output named and opened on the configured device, then started; the sync latency set.
    EXPECT_EQ(audioView->calls.filter(QRegularExpression("Output|Init|Start|Sync")),
              (QStringList{"LUMA_SetOutputOptions(Lumatrone deck 1,0)", "BASS_Init(1,44100,0)",
                           "BASS_Start", "LUMA_SetSyncLatency(-7)"}));
    EXPECT_TRUE(platform.messages.empty() && platform.errors.empty());
    EXPECT_EQ(deck->lblWindowTitle->text(), "DECK 1");
    EXPECT_EQ(deck->windowIcon().pixmap(128).size(), QSize(128, 128)) << "the window's icon";
    EXPECT_EQ(deck->cmbDevices->count(), 2);
    EXPECT_EQ(deck->cmbDevices->itemText(1), "1 - USB Mixer");
    // The options' white captions read on the shape fill they paint, not only their palette's.
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

    // Ctrl+G, Ctrl+S and Ctrl+Q from the focused drive box (a list's: DeckKeysTest); plain Q not.
    deck->show();
    deck->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(deck.get()));
    deck->drvFile->setFocus();
    QTest::keyClick(deck->drvFile, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClick(deck->drvFile, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(deck->state.QuantizeOn && deck->state.SyncOn);
    QTest::keyClick(deck->drvFile, Qt::Key_Q);
    EXPECT_EQ(platform.ends, 0);
    QTest::keyClick(deck->drvFile, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(std::pair(platform.ends, platform.exitCode), std::pair(1, 0));
    const QStringList& calls = audioView->calls;  // the engine freed before the end
    EXPECT_EQ(calls.mid(calls.indexOf("BASS_Free")), (QStringList{"BASS_Free", "endProcess"}));
}

// A missing music folder leaves the browser where it was, quietly; the title drags the window.
TEST_F(FrmMainTest, DecksSitByNumberReportAMissingFileAndDragByTheTitle) {
    setSettings(0, 3, folder_ + "/no such folder");
    auto two = makeDeck("2", false);
    const QString before = two->dirFile->path();
    two->Form_Load();
    EXPECT_EQ(two->pos(), QPoint(579, 0));
    EXPECT_EQ(two->dirFile->path(), before);

    audio = std::make_unique<RecordingAudio>();
    auto three = makeDeck("3", false);
    three->move(123, 45);
    three->Form_Load();  // stays at x 123, as the drag below shows
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "ERROR opening deck3.ini");
    EXPECT_EQ(platform.messages[0].style, kMessageOk);

    QWidget* title = three->lblWindowTitle;
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, title->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(title, &event);
    };
    send(QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton);
    send(QEvent::MouseMove, {30, 12}, Qt::LeftButton);
    EXPECT_EQ(three->pos(), QPoint(143, 7));             // the title moved by (20, 7)
    send(QEvent::MouseMove, {60, 12}, Qt::RightButton);  // the left button alone drags
    send(QEvent::MouseMove, {60, 12}, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(three->pos(), QPoint(143, 7));
}

// Each box sits over its own deck's place with a hint on stderr; the deck ends failed.
TEST_F(FrmMainTest, EachFatalPathSaysWhyAndEnds) {
    struct Case {
        std::function<void(FrmMainTest&)> arrange;
        QString text, caption, hint;
        int style = kMessageCritical;
        QString commandLine = "1";
    };
    const Case cases[] = {
        {[](FrmMainTest&) {}, "You must run lumatroneDJ.exe.", "",
         "lumatrone-deck: start both decks with lumatrone", kMessageOk, ""},
        {[](FrmMainTest& t) { t.audio->version = 1u | (80u << 16); },
         "BASS version 1.8 was not loaded", "Bass.Dll", "of another version"},
        {[](FrmMainTest& t) { t.audio->initResult = 0; },
         "Error: Couldn't Initialize Digital Output", "Digital output",
         "lumatrone-deck 2: output 1 (settings line 7) could not be opened; lumatrone-devices "
         "lists the outputs; LUMATRONE_AUDIO=system, null or wav:PATH",
         kMessageCritical, "2"},
        {[](FrmMainTest& t) { t.audio->startResult = 0; },
         "Error: Couldn't Initialize Digital Output", "Digital output",
         "output 1 (settings line 6) opened but did not start"},
        {[](FrmMainTest& t) { t.audio->infoResult = 0; },
         "Error: Couldn't Initialize Digital Output", "Digital output",
         "could not describe output 1"},
        {[](FrmMainTest& t) { t.audio->soundSystemVersion = 8; },
         "DirectX version 9 is not Installed!!!", "DX8", "output is of version 8"},
        {[](FrmMainTest& t) { QFile::remove(t.folder_ + "/" + kEngineLibraryFile); },
         "BASS.DLL not exists", "BASS.DLL", "lumatrone-deck 1: the audio engine"},  // stays gone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        audio = std::make_unique<RecordingAudio>();
        platform = RecordingPlatform();
        c.arrange(*this);
        auto deck = makeDeck(c.commandLine);
        ASSERT_EQ(platform.messages.size(), 1u);
        const auto& box = platform.messages[0];
        EXPECT_EQ(std::tuple(box.text, box.caption, box.style),
                  std::tuple(c.text, c.caption, c.style));
        if (c.commandLine == "2") {
            EXPECT_EQ(box.place, QRect(579, 0, 441, 768));
        }
        ASSERT_EQ(platform.errors.size(), 1);
        EXPECT_TRUE(platform.errors[0].contains(c.hint)) << platform.errors[0].toStdString();
        EXPECT_EQ(std::pair(platform.ends, platform.exitCode), std::pair(1, 1));
        const QStringList& calls = audioView->calls;
        if (calls.contains("BASS_Start")) {
            // Once it has opened the output, the engine is freed before the box.
            EXPECT_EQ(calls.mid(calls.indexOf("BASS_Free")).first(2),
                      (QStringList{"BASS_Free", "message(" + c.text + ")"}));
        }
    }
}

TEST_F(FrmMainTest, BrowserListsFollowEachOther) {
    QDir(folder_).mkpath("crate/deeper");
    const ScopedEnv home("HOME", folder_.toStdString());
    setSettings(1, 1, "~/crate");
    deck = makeDeck("1");
    EXPECT_EQ(deck->dirFile->path(), folder_ + "/crate") << "the music folder under the home";
    ASSERT_TRUE(deck->dirFile->setPath(folder_ + "/crate/deeper"));
    EXPECT_EQ(deck->filFile->path(), folder_ + "/crate/deeper") << "folder change lists its files";
    // Choosing the drive again opens the folder last visited on it.
    ASSERT_TRUE(deck->dirFile->setPath(folder_));
    emit deck->drvFile->change();
    EXPECT_EQ(deck->dirFile->path(), folder_);

    // A music folder named in Latin-1 on disk, and so in the settings, opens by its bytes.
    const QByteArray latin = encodeFileName(folder_) + "/caf\xe9";
    ASSERT_TRUE(std::filesystem::create_directory(latin.toStdString()));
    QFile settings(folder_ + "/deck1.ini");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    dir_.write("deck1.ini", settings.readAll().replace("~/crate", latin).toStdString());
    audio = std::make_unique<RecordingAudio>();
    EXPECT_EQ(encodeFileName(makeDeck("1")->dirFile->path()), latin);
}

// Both real decks share ALSA's null default (device 0), no JACK; they end cleanly and quietly.
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

// A deck's box is centred over its deck's place: deck 2's is not over deck 1's.
TEST(DesktopPlatformTest, BoxIsCentredOverItsDecksPlace) {
    const QRect place(579, 0, 441, 768);
    QRect shown;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        shown = box->frameGeometry();
        box->close();
    });
    DesktopPlatform().message("Error: Couldn't Initialize Digital Output", "Digital output",
                              kMessageCritical, place);
    EXPECT_EQ(shown.center(), place.center());
}

// --- Loading a track: the filters, the labels, the detection's progress, and failed opens.

// Records the caption a label has each time it is painted.
struct PaintedCaptions : QObject {
    QLabel* label;
    QStringList captions;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) captions << label->text();
        return false;
    }
};

class TrackLoadingTest : public FrmMainTest {
  public:
    void SetUp() override {
        FrmMainTest::SetUp();
        // A tagged file: a title padded with blanks, genre 17.
        writeFile("crate/track.mp3",
                  QString(1000, 'x') + "TAGIntro" + QString(119, ' ') + QChar(17));
        audio->streamHandle = kTrack;
        audio->decodeStreamHandle = 0x30000001;  // 805306369
        audio->length = 4ull * 44100 * 60;
        audio->percents2Bpm = -1.24f;
        deck = makeDeck("1");
        deck->state.GenreNames[17] = "Rock";
        select("track.mp3");
    }
    // Quality, length, tempo, tempo detected, name, title and genre.
    QStringList texts() {
        return {deck->lblQuality->text(), deck->lblLength->text(),   deck->lblBPMs->text(),
                deck->lblOrigBPM->text(), deck->lblFileName->text(), deck->lblinfo(0)->text(),
                deck->lblinfo(5)->text()};
    }
};

TEST_F(TrackLoadingTest, LoadsInOrderWithFiltersEqualiserAndBalance) {
    deck->vscEQ(1)->setValue(-120);
    deck->hscEQ(1)->setValue(30);
    deck->vscPitch->setValue(-800);
    deck->filFile_DblClick();
    const QStringList calls = takeCalls();
    // Detected on the decode-only open; the loop points carry over to the new channel.
    EXPECT_TRUE(calls.contains("BASS_FX_BPM_DecodeGet(805306369,0,90,0,3)"));
    EXPECT_TRUE(calls.contains("LUMA_ChannelSetLoop(#,0,0,0)"));
    EXPECT_EQ(audioView->fxParameters[0x50000002][2], -12.0f) << "the mid slider's gain";
    // The balance at the track's own rate: the pitch fader went to 0 first.
    EXPECT_EQ(audioView->channels[kTrack].slide, (std::array{44100, 50, 30, 0}));
    EXPECT_EQ(texts(), (QStringList{"44100 Hz", "01:00,000", "124", "124", "track",
                                    " Intro" + QString(25, ' '), " Rock"}));
    EXPECT_FALSE(deck->cmdPause->isVisibleTo(deck.get()));
}

TEST_F(TrackLoadingTest, TheNameShowsProgressThenScrollsIfWideAndTheNextLoadFreesTheLast) {
    audioView->progressReports = {0.0f, 45.9f, 100.0f};
    const QString wide = QString("a very long track name that goes on and on").repeated(2);
    writeFile("crate/" + wide + ".mp3", "");
    writeFile("crate/a.b", "");
    deck->filFile->setPattern("*.*");
    select("track.mp3");
    deck->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(deck.get()));
    PaintedCaptions painted;
    painted.label = deck->lblFileName;
    deck->lblFileName->installEventFilter(&painted);
    deck->filFile_DblClick();
    // Painted there and then, while the handler was still running.
    EXPECT_EQ(painted.captions, (QStringList{"Loading...", "BPM detection 0%", "BPM detection 45%",
                                             "BPM detection 100%"}));

    select("a.b");
    deck->filFile_DblClick();
    EXPECT_EQ(deck->lblFileName->text(), "BPM detection 100%") << "no extension to cut off";
    select(wide + ".mp3");
    deck->filFile_DblClick();
    EXPECT_EQ(deck->lblFileName->x(), 386);
    EXPECT_TRUE(deck->tmrScroll->enabled());

    // The next load releases this track and its detection stream first, and stops the marquee.
    takeCalls();
    deck->chkMono->setCheckState(Qt::Checked);
    select("track.mp3");
    deck->filFile_DblClick();
    EXPECT_EQ(takeCalls().mid(0, 6),
              (QStringList{"BASS_StreamFree(#)", "BASS_MusicFree(#)", "BASS_FX_BPM_Free(#)",
                           "BASS_FX_BPM_Free(805306369)", "BASS_FX_TempoFree(#)",
                           "BASS_StreamCreateFile(~/crate/track.mp3,20082)"}));
    EXPECT_EQ(deck->lblFileName->x(), 8);
    EXPECT_FALSE(deck->tmrScroll->enabled());
}

// Nothing opens: no rate read, the time text of -1 s, no tempo, no tag. Then as a module.
TEST_F(TrackLoadingTest, AFileNoStreamOpensLoadsAsAModuleOrLeavesChannelZero) {
    audioView->streamHandle = 0;
    audioView->decodeStreamHandle = 0;
    audioView->percents2Bpm = 0.0f;
    writeFile("crate/odd.wav", "not audio");
    deck->filFile->setPath(folder_ + "/crate");
    select("odd.wav");
    deck->filFile_DblClick();
    EXPECT_EQ(texts(), (QStringList{"0 Hz", "-01:59,000", "0", "0", "odd",
                                    " ID3 info unavalaible or not exists.", ""}));

    audioView->moduleHandle = 0x20000001;
    audioView->decodeModuleHandle = 0x40000001;
    takeCalls();
    deck->filFile_DblClick();
    const QStringList calls = takeCalls();
    EXPECT_EQ(calls.filter("BASS_ChannelSetFX"), QStringList(4, "BASS_ChannelSetFX(536870913,7)"));
    EXPECT_TRUE(calls.contains("BASS_FX_BPM_DecodeGet(1073741825,0,90,0,3)"));
}

}  // namespace
}  // namespace luma::test
