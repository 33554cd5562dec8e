// Sync, quantize, key lock and beat loops against the recording engine: a beat loop's
// exact bytes, quantize's snapping, the sync lamp and readout, key lock's toggle.
#include <QFileInfo>
#include <algorithm>
#include <set>

#include "deck_fixture.h"

namespace luma::test {
namespace {

class SyncTest : public TrackTest {
  public:
    QStringList syncCalls() { return takeCalls().filter("Sync"); }
    bool lit(LumButton* button) { return button->dotColor() == 0xC0C0; }
};

// Beats fall on their nearest frame; a loop starts at the beat at or before the position.
TEST_F(SyncTest, BeatLoopsSpanWholeBeatsOfTheGridAndEndOnHandMadeLoopPoints) {
    const struct {
        double bpm, first;
        int rate, frameBytes;
        int64_t position;
        int beats;
        int32_t start, end;
    } cases[] = {
        // 122 BPM: beat 1 at frame 21688.5 -> 21689; one frame before it is still beat 0.
        {122, 0.0, 44100, 4, 4 * 21689, 1, 4 * 21689, 4 * 43377},
        {122, 0.0, 44100, 4, 4 * 21688, 4, 0, 4 * 86754},
        // Mono at 48 kHz, 125 BPM from 0.1 s: 30 s lies in beat 62 (29.86 s).
        {125, 0.1, 48000, 2, 2 * 48000 * 30, 8, 2 * 1433280, 2 * 1617600},
        // 16 beats from near the end stop at the track's end.
        {120, 0.0, 44100, 4, 179 * kSecond, 16, 179 * kSecond, 180 * kSecond},
    };
    for (const auto& c : cases) {
        audioView->gridBpm = c.bpm;
        audioView->gridFirstBeat = c.first;
        audioView->rate = static_cast<uint32_t>(c.rate);
        audioView->frameBytes = c.frameBytes;
        audioView->position = static_cast<uint64_t>(c.position);
        deck->state.BaseFreq = c.rate;
        deck->Lum_BeatLoop(c.beats);
        EXPECT_EQ(deck->state.LoopStart, c.start) << c.bpm << " " << c.position;
        EXPECT_EQ(deck->state.LoopEnd, c.end) << c.bpm << " " << c.position;
        EXPECT_TRUE(lit(deck->cmdLooped) && lit(deck->cmdBeatLoop(c.beats)));
    }
    deck->Lum_BeatLoop(16);  // the second press ends it
    EXPECT_FALSE(lit(deck->cmdLooped) || lit(deck->cmdBeatLoop(16)));
    EXPECT_EQ(track().loop, (std::array{179 * int(kSecond), 180 * int(kSecond), 0}));

    audioView->position = 10 * kSecond + 100;
    deck->Lum_BeatLoop(1);
    deck->Lum_BeatLoop(2);  // another size: a new loop from the same beat
    EXPECT_EQ(deck->state.LoopEnd - deck->state.LoopStart, kSecond);
    EXPECT_FALSE(lit(deck->cmdBeatLoop(1)));
    EXPECT_TRUE(lit(deck->cmdBeatLoop(2)));
    deck->Lum_FineUp(FrmMain::kFineStep);
    EXPECT_FALSE(lit(deck->cmdBeatLoop(2))) << "a trimmed loop is no beat loop";
    deck->Lum_BeatLoop(2);  // so this press starts a beat loop again
    EXPECT_TRUE(lit(deck->cmdBeatLoop(2)));
    deck->cmdLooped_MouseDown();
    EXPECT_FALSE(lit(deck->cmdBeatLoop(2)));

    audioView->gridBpm = 0;
    deck->Lum_BeatLoop(4);
    EXPECT_EQ(deck->state.LoopOn, kFalse) << "without a grid a beat loop does nothing";
}

TEST_F(SyncTest, QuantizeSnapsCueAndLoopPointsToTheNearestBeat) {
    audioView->gridBpm = 120;
    audioView->gridFirstBeat = 0.25;
    const int64_t onBeat = 1808100, nextBeat = 1896300;  // 10.25 s, 10.75 s
    deck->Lum_Quantize();
    EXPECT_TRUE(lit(deck->cmdQuantize));
    after(103 * kSecond / 10, &FrmMain::Lum_CueSet);  // 10.3 s: nearest 10.25
    EXPECT_EQ(deck->state.CuePos, onBeat);
    audioView->position = 106 * kSecond / 10;  // 10.6 s: nearest 10.75
    deck->Lum_LoopStart();
    deck->Lum_CUE();
    EXPECT_EQ(deck->state.LoopStart, nextBeat);
    EXPECT_EQ(deck->state.CuePos, nextBeat);
    // Without a grid nothing snaps.
    audioView->gridBpm = 0;
    deck->Lum_LoopEnd();
    EXPECT_EQ(deck->state.LoopEnd, 106 * kSecond / 10);
}

// Off: dark, no sync call. Locked: steady, the session's tempo. Refused: blinks, says why.
TEST_F(SyncTest, TheSyncLampShowsOffLockedAndRefused) {
    const int off = deck->cmdSync->dotColor();
    deck->tmrCPU_Timer();
    deck->vscPitch->setValue(-100);
    deck->vscPitch_Scroll();
    EXPECT_TRUE(syncCalls().isEmpty());

    deck->lblBPMs->setText("124");
    deck->lblOrigBPM->setText("124");
    deck->Lum_Sync();  // refused: no grid
    std::set<int> looks;
    for (int i = 0; i < 5; ++i) {
        deck->tmrCPU_Timer();
        looks.insert(deck->cmdSync->dotColor());
    }
    EXPECT_EQ(looks.size(), 2u) << "blinks";
    EXPECT_EQ(looks.count(off), 0u);
    EXPECT_TRUE(deck->cmdSync->toolTip().contains("no beat grid"));
    EXPECT_EQ(syncCalls().filter("SetSync").size(), 2) << "asked, and asked again after a second";

    audioView->syncPolled = LUMA_SYNC_OUT_OF_RANGE;
    deck->tmrCPU_Timer();
    EXPECT_TRUE(deck->cmdSync->toolTip().contains("beyond the pitch range"));

    audioView->gridBpm = 124;
    audioView->syncPolled = LUMA_SYNC_LOCKED;
    audioView->sessionBpm = 130.5;
    deck->tmrCPU_Timer();
    const int locked = deck->cmdSync->dotColor();
    deck->tmrCPU_Timer();
    EXPECT_EQ(deck->cmdSync->dotColor(), locked) << "steady";
    EXPECT_FALSE(locked == off || looks.count(locked));
    deck->vscPitch->setValue(-200);  // +2 %: the fader proposes 124 x 1.02
    deck->vscPitch_Scroll();
    EXPECT_EQ(syncCalls().filter("SetSyncTempo"),
              QStringList{"LUMA_ChannelSetSyncTempo(#," + QString::number(124 * 1.02) + ")"});
    EXPECT_EQ(deck->lblBPMs->text(), QLocale().toString(130.5, 'f', 3)) << "still the session's";
    deck->Lum_Sync();
    EXPECT_EQ(syncCalls(), QStringList{"LUMA_ChannelSetSync(#,0)"});
    EXPECT_EQ(deck->cmdSync->dotColor(), off);
    EXPECT_EQ(deck->lblBPMs->text(), QLocale().toString(126.48, 'f', 3))
        << "the deck's own tempo again, as the fader left it";
}

// Key lock's button and its command (a key's, a controller's) toggle the engine's and the lamp.
TEST_F(SyncTest, KeyLockTogglesFromTheButtonAndItsCommand) {
    emit deck->cmdKeyLock->mouseDown(1, 0, 5, 5);
    EXPECT_TRUE(audioView->keyLock && lit(deck->cmdKeyLock));
    deck->runCommand(DeckCommand::KeyLock);
    EXPECT_FALSE(audioView->keyLock || lit(deck->cmdKeyLock));
}

// With the shipped design, no control of the sync strip covers another of the window.
TEST_F(FrmMainTest, TheSyncStripCoversNoControl) {
    QFile::copy(QFileInfo(LUMA_DECK_PATH).absolutePath() + "/deck.design",
                folder_ + "/deck.design");
    deck = makeDeck("1", false);
    std::vector<QWidget*> strip = {deck->cmdSync, deck->cmdQuantize, deck->cmdKeyLock,
                                   deck->lblBeatLoop, deck->lblLoudness};
    for (int beats : FrmMain::kBeatLoopSizes) strip.push_back(deck->cmdBeatLoop(beats));
    for (QWidget* added : strip) {
        EXPECT_TRUE(deck->rect().contains(added->geometry())) << added->objectName().toStdString();
        for (QWidget* other : deck->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const bool panel = qobject_cast<ShapeWidget*>(other) != nullptr;
            if (panel || other->isHidden() || std::ranges::count(strip, other)) continue;
            EXPECT_FALSE(added->geometry().intersects(other->geometry()))
                << added->objectName().toStdString() << " covers "
                << other->objectName().toStdString();
        }
    }
}

}  // namespace
}  // namespace luma::test
