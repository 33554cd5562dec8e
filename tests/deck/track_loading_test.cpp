// Loading a track against the recording engine: the order of the calls,
// their flags and filter parameters, and what the labels end up showing,
// also when every open fails.
#include <QEvent>
#include <QPaintEvent>
#include <QTest>

#include "deck/number_text.h"
#include "deck_fixture.h"

namespace luma::test {
namespace {

constexpr uint32_t kDecodeStream = 0x30000001;

// Records the caption a label has each time it is painted.
class PaintedCaptions : public QObject {
  public:
    explicit PaintedCaptions(QLabel* label) : label_(label) { label->installEventFilter(this); }
    QStringList captions;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) captions << label_->text();
        return false;
    }

  private:
    QLabel* label_;
};

class TrackLoadingTest : public FrmMainTest {
  public:
    void SetUp() override {
        FrmMainTest::SetUp();
        // A tagged file: a title padded with blanks, genre 17.
        writeFile("crate/track.mp3",
                  QString(1000, 'x') + "TAGIntro" + QString(119, ' ') + QChar(17));
        audio->streamHandle = kTrack;
        audio->decodeStreamHandle = kDecodeStream;
        audio->length = 4ull * 44100 * 60;
        audio->percents2Bpm = -1.24f;
    }
    std::unique_ptr<FrmMain> loadedDeck(const QString& fileName = "track.mp3") {
        auto deck = makeDeck("1");
        deck->state.GenreNames[17] = "Rock";
        select(*deck, fileName);
        return deck;
    }
    void select(FrmMain& deck, const QString& fileName) {
        const auto items = deck.filFile->findItems(fileName, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        deck.filFile->setCurrentItem(items[0]);
    }
};

TEST_F(TrackLoadingTest, LoadsInOrderWithFiltersEqualiserAndBalance) {
    auto deck = loadedDeck();
    deck->vscEQ(1)->setValue(-120);
    deck->hscEQ(1)->setValue(30);
    deck->vscPitch->setValue(-800);
    takeCalls();
    deck->filFile_DblClick();
    EXPECT_EQ(
        takeCalls(),
        (QStringList{
            "BASS_StreamFree(0)", "BASS_MusicFree(0)", "BASS_FX_BPM_Free(0)", "BASS_FX_BPM_Free(0)",
            "BASS_FX_TempoFree(0)", "BASS_StreamCreateFile(~/crate/track.mp3,20080)",
            "BASS_SetBufferLength(5)", "BASS_ChannelSetFX(#,7)", "BASS_ChannelSetFX(#,7)",
            "BASS_ChannelSetFX(#,7)", "BASS_ChannelSetFX(#,7)",
            // Parameters in the order 0, 3, 1, 2: centre, bandwidth, gain.
            "BASS_FXSetParameters(50000001,80,36,0)", "BASS_FXSetParameters(50000004,125,36,0)",
            "BASS_FXSetParameters(50000002,3000,36,0)", "BASS_FXSetParameters(50000003,8000,36,0)",
            // The sliders re-applied; the bass goes to both bass filters.
            "BASS_FXGetParameters(50000001)", "BASS_FXSetParameters(50000001,80,36,0)",
            "BASS_FXSetParameters(50000004,80,36,0)", "BASS_FXGetParameters(50000002)",
            "BASS_FXSetParameters(50000002,3000,36,-12)", "BASS_FXGetParameters(50000003)",
            "BASS_FXSetParameters(50000003,8000,36,0)", "BASS_StreamGetLength(#)",
            "BASS_ChannelGetAttributes(#)", "BASS_StreamCreateFile(~/crate/track.mp3,200000)",
            "BASS_FX_BPM_DecodeGet(805306369,0,90,0,3)", "BASS_FX_TempoGetApproxPercents(0)",
            "BASS_FX_BPM_Percents2BPM(805306369,0)", "BASS_FX_TempoGetApproxPercents(0)",
            "BASS_FX_BPM_Percents2BPM(805306369,0)",
            // The balance through 0 and back, at the track's own rate: the
            // pitch fader went to 0 first.
            "BASS_ChannelSlideAttributes(#,44100,50,0,0)",
            "BASS_ChannelSlideAttributes(#,44100,50,30,0)",
            // The loop points carry over to the new channel.
            "LUMA_ChannelSetLoop(#,0,0,0)"}));

    EXPECT_EQ(deck->state.Channel, kTrack);
    EXPECT_EQ(deck->lblQuality->text(), "44100 Hz");
    EXPECT_EQ(deck->lblLength->text(), "01:00,000");
    EXPECT_EQ(deck->trkPosition->max(), 4 * 44100 * 60);
    EXPECT_EQ(deck->trkPosition->value(), 0);
    EXPECT_EQ(deck->lblBPMs->text(), "124");
    EXPECT_EQ(deck->lblOrigBPM->text(), "124");
    EXPECT_EQ(deck->lblFileName->text(), "track");
    EXPECT_EQ(deck->vscPitch->value(), 0);
    EXPECT_FALSE(deck->cmdPause->isVisibleTo(deck.get()));
    EXPECT_EQ(deck->state.IsStopped, kTrue);
    EXPECT_EQ(deck->lblinfo(0)->text(), " Intro" + QString(25, ' '));
    EXPECT_EQ(deck->lblinfo(5)->text(), " Rock");
}

TEST_F(TrackLoadingTest, ShowsProgressWhileDetectingAndFreesThePreviousTrack) {
    audio->progressReports = {0.0f, 45.9f, 100.0f};
    auto deck = loadedDeck();
    deck->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(deck.get()));
    PaintedCaptions painted(deck->lblFileName);
    deck->filFile_DblClick();
    // Painted there and then, while the handler was still running.
    EXPECT_EQ(painted.captions, (QStringList{"Loading...", "BPM detection 0%", "BPM detection 45%",
                                             "BPM detection 100%"}));

    // The next load releases this track and its detection stream first.
    takeCalls();
    deck->chkMono->setCheckState(Qt::Checked);
    deck->filFile_DblClick();
    EXPECT_EQ(takeCalls().mid(0, 6),
              (QStringList{"BASS_StreamFree(#)", "BASS_MusicFree(#)", "BASS_FX_BPM_Free(#)",
                           "BASS_FX_BPM_Free(805306369)", "BASS_FX_TempoFree(#)",
                           "BASS_StreamCreateFile(~/crate/track.mp3,20082)"}));
}

TEST_F(TrackLoadingTest, ModulesOpenThroughTheModulePaths) {
    audio->streamHandle = 0;
    audio->decodeStreamHandle = 0;
    audio->moduleHandle = 0x20000001;
    audio->decodeModuleHandle = 0x40000001;
    auto deck = loadedDeck();
    takeCalls();
    deck->filFile_DblClick();
    const QStringList calls = takeCalls();
    EXPECT_EQ(calls.filter("BASS_MusicLoad"),
              (QStringList{"BASS_MusicLoad(~/crate/track.mp3,1005)",
                           "BASS_MusicLoad(~/crate/track.mp3,202000)"}));
    EXPECT_EQ(calls.filter("BASS_ChannelSetFX"), QStringList(4, "BASS_ChannelSetFX(536870913,7)"));
    EXPECT_TRUE(calls.contains("BASS_FX_BPM_DecodeGet(1073741825,0,90,0,3)"));
    EXPECT_EQ(deck->state.Channel, 0x20000001u);
}

TEST_F(TrackLoadingTest, AFileNothingOpensLeavesChannelZeroAndWhatTheCallsLeft) {
    audio->streamHandle = 0;
    audio->decodeStreamHandle = 0;
    audio->percents2Bpm = 0.0f;
    writeFile("crate/odd.wav", "not audio");
    auto deck = loadedDeck("odd.wav");
    deck->filFile_DblClick();
    EXPECT_EQ(deck->state.Channel, 0u);
    EXPECT_EQ(deck->lblQuality->text(), "0 Hz") << "the rate was never read";
    EXPECT_EQ(deck->lblLength->text(), "-01:59,000") << "the time text of -1 s";
    EXPECT_EQ(deck->lblBPMs->text(), "0");
    EXPECT_EQ(deck->lblFileName->text(), "odd");
    EXPECT_EQ(deck->lblinfo(0)->text(), " ID3 info unavalaible or not exists.");
    for (int i = 1; i < 6; ++i) EXPECT_EQ(deck->lblinfo(i)->text(), "");
    EXPECT_EQ(deck->state.IsStopped, kTrue);
}

TEST_F(TrackLoadingTest, NamesTooShortOrTooWideForTheLabel) {
    audio->progressReports = {99.5f};
    writeFile("crate/a.b", "");
    auto deck = makeDeck("1");
    deck->filFile->setPattern("*.*");
    select(*deck, "a.b");
    deck->filFile_DblClick();
    EXPECT_EQ(deck->lblFileName->text(), "BPM detection 99%") << "no extension to cut off";

    const QString wide = QString("a very long track name that goes on and on").repeated(2);
    writeFile("crate/" + wide + ".mp3", "");
    deck->filFile->setPath(folder_ + "/crate");
    select(*deck, wide + ".mp3");
    deck->filFile_DblClick();
    EXPECT_EQ(deck->lblFileName->text(), wide);
    EXPECT_GT(deck->lblFileName->width(), 382);
    EXPECT_EQ(deck->lblFileName->x(), 386);
    EXPECT_TRUE(deck->tmrScroll->enabled());

    select(*deck, "track.mp3");
    deck->filFile_DblClick();
    EXPECT_EQ(deck->lblFileName->x(), 8);
    EXPECT_FALSE(deck->tmrScroll->enabled());
}

TEST(NumberTextTest, TimeTextsTruncateSecondsAndRoundMilliseconds) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "00:00,000"},     {61.5f, "01:01,500"},   {185.4567f, "03:05,457"},
        {59.9996f, "00:59,000"}, {3600.0f, "60:00,000"}, {3725.25f, "62:05,250"},
        {6000.0f, "100:00,000"}, {-1.0f, "-01:59,000"},
    };
    for (auto [seconds, text] : cases) EXPECT_EQ(timeText(seconds), text) << seconds;
    EXPECT_EQ(singleText(-100.0f * roundedToHundredths(-1.2449f)), "124");
    EXPECT_EQ(singleText(129.6f), "129.6");
    EXPECT_EQ(singleText(-1.24f), "-1.24");
    // Every whole tempo reads as itself through the deck's arithmetic.
    for (int bpm = 1; bpm <= 400; ++bpm) {
        const float kept = -static_cast<float>(bpm) / 100.0f;  // as Percents2BPM hands it
        ASSERT_EQ(singleText(-100.0f * roundedToHundredths(kept)), QString::number(bpm));
    }
}

}  // namespace
}  // namespace luma::test
