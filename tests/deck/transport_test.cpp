// The transport, loop, pitch, touch and mixer commands against the
// recording engine, in each play state, and the joystick's jog.
#include <SDL.h>

#include <QTest>
#include <iterator>
#include <utility>

#include "deck_fixture.h"

namespace luma::test {
namespace {

class TransportTest : public TrackTest {
  public:
    bool showsPause() { return deck->cmdPause->isVisibleTo(deck.get()); }
};

// The track plays a second before each step; a step that seeks goes to the cue point (22 s).
TEST_F(TransportTest, PlayPauseStopAndCueFollowTheStateTable) {
    const struct {
        void (FrmMain::*command)();
        bool sounding, showsPause, toCue = false;
    } steps[] = {
        {&FrmMain::Lum_Pause, true, true},
        {&FrmMain::Lum_Pause, false, false},
        {&FrmMain::Lum_CueSet, false, false},
        {&FrmMain::Lum_Pause, true, true},
        {&FrmMain::Lum_Stop, false, false, true},
        // Cue play from Stopped sounds but still shows Play; the next Play plays again.
        {&FrmMain::Lum_CuePlay, true, false, true},
        {&FrmMain::Lum_Pause, true, true},
    };
    for (int i = 0; i < int(std::size(steps)); ++i) {
        SCOPED_TRACE(i);
        const auto& step = steps[i];
        EXPECT_EQ(after((20 + i) * kSecond, step.command), (step.toCue ? 22 : 20 + i) * kSecond);
        EXPECT_EQ(track().playing, step.sounding);
        EXPECT_EQ(showsPause(), step.showsPause);
    }
}

TEST_F(TransportTest, CueRepeatHoldsTheCuePointAndTouchNudgesIt) {
    deck->Lum_CUE();
    EXPECT_EQ(deck->cmdCUE->dotColor(), 0xC0C0);
    EXPECT_TRUE(deck->tmrCue->enabled());
    EXPECT_EQ(after(11 * kSecond, &FrmMain::tmrCue_Timer), 10 * kSecond);
    // With CUE on the cue point moves back and no touch is taken: the release restores rate 0.
    EXPECT_EQ(after(11 * kSecond, &FrmMain::Lum_TouchB2), 10 * kSecond - 2500);
    deck->Lum_TouchUp();
    EXPECT_EQ(track().slide, (std::array{0, 50, 0, 0}));
    EXPECT_EQ(after(11 * kSecond, &FrmMain::Lum_CUE), 10 * kSecond - 2500);
    EXPECT_EQ(deck->cmdCUE->dotColor(), 0x80);
    EXPECT_FALSE(deck->tmrCue->enabled());
}

// Without a track the commands still run, and the cue point and the position are -1.
TEST_F(TransportTest, WithoutATrackCommandsRunAndTheCueAndPositionAreMinusOne) {
    deck->state.Channel = 0;
    deck->Lum_CueSet();
    EXPECT_EQ(deck->state.CuePos, -1);
    for (auto command : {&FrmMain::Lum_Pause, &FrmMain::Lum_Stop, &FrmMain::Lum_CUE,
                         &FrmMain::Lum_CUE, &FrmMain::Timer1_Timer}) {
        (deck.get()->*command)();
    }
    EXPECT_EQ(deck->Lum_LoopStart(), ":,");
    EXPECT_EQ(deck->lblPosition->text(), "- - : - - , - - -");
}

TEST_F(TransportTest, LoopPointsTheWatchAndTheEndOfTheTrack) {
    EXPECT_EQ(deck->Lum_LoopStart(), "00:10,000");
    audioView->position = 12 * kSecond;
    EXPECT_EQ(deck->Lum_LoopEnd(), "00:12,000");
    EXPECT_EQ(deck->Lum_FineUp(FrmMain::kFineStep), "00:12,003");
    // On: jumps to the start at once, even stopped, and the watch jumps back from the end.
    EXPECT_EQ(after(11 * kSecond, &FrmMain::cmdLooped_MouseDown), 10 * kSecond);
    EXPECT_EQ(deck->cmdLooped->dotColor(), 0xC0C0);
    EXPECT_EQ(track().loop, (std::array{1764000, 2117300, 1}));
    EXPECT_EQ(after(2117300, &FrmMain::FXTimer2_Timer), 10 * kSecond);
    // Off: no seek, and the watch lets it play on.
    EXPECT_EQ(after(11 * kSecond, &FrmMain::cmdLooped_MouseDown), 11 * kSecond);
    EXPECT_EQ(track().loop, (std::array{1764000, 2117300, 0}));
    EXPECT_EQ(after(2117300, &FrmMain::FXTimer2_Timer), 2117300);

    // A loop end before the start (or 0) holds the deck at the start.
    deck->state.LoopEnd = 0;
    deck->cmdLooped_MouseDown();
    EXPECT_EQ(after(11 * kSecond, &FrmMain::FXTimer2_Timer), 10 * kSecond);
    // Stored as is; its time text is that of the 32 bits taken as unsigned.
    EXPECT_EQ(deck->Lum_FineDw(500), "405:47,885");
}

TEST_F(TransportTest, TheEndStopsOrRepeatsOnlyWhileShowingPlay) {
    const int64_t nearEnd = 180 * kSecond - kSecond / 20;  // within the last tenth
    deck->Lum_CuePlay();
    EXPECT_EQ(after(nearEnd, &FrmMain::FXTimer2_Timer), nearEnd) << "showing Play: unnoticed";
    deck->Lum_Pause();
    EXPECT_EQ(after(nearEnd, &FrmMain::FXTimer2_Timer), 0);
    EXPECT_FALSE(track().playing || showsPause());

    // Repeat: from the start again.
    deck->chkRepeat->setCheckState(Qt::Checked);
    deck->Lum_Pause();
    EXPECT_EQ(after(nearEnd, &FrmMain::FXTimer2_Timer), 0);
    EXPECT_TRUE(track().playing && showsPause());
    EXPECT_EQ(after(nearEnd - kSecond / 5, &FrmMain::FXTimer2_Timer), nearEnd - kSecond / 5)
        << "before the last tenth nothing happens";
}

// A 96 kHz stereo mix passes 2^31 bytes at 93 minutes: past there every position keeps its bytes.
TEST_F(TransportTest, AMixPastTwoGigabytesKeepsItsPositions) {
    constexpr int64_t kMinute = 60 * 4 * 96000;
    audioView->rate = 96000;
    audioView->length = 100 * kMinute;
    audioView->streamHandle = kTrack;
    deck->filFile->setCurrentRow(0);
    deck->filFile_DblClick();
    EXPECT_EQ(deck->lblLength->text(), "100:00,000");
    after(95 * kMinute, &FrmMain::Timer1_Timer);
    EXPECT_EQ(deck->lblPosition->text(), "95:00,000");
    deck->Lum_CueSet();
    EXPECT_EQ(deck->Lum_LoopStart(), "95:00,000");
    audioView->position = 96 * kMinute;
    EXPECT_EQ(deck->Lum_LoopEnd(), "96:00,000");
    // The engine takes no loop points past 32 bits: the watch loops alone.
    EXPECT_EQ(after(97 * kMinute, &FrmMain::cmdLooped_MouseDown), 95 * kMinute);
    EXPECT_EQ(track().loop, (std::array{0, 0, 0}));
    EXPECT_EQ(after(96 * kMinute + 4, &FrmMain::FXTimer2_Timer), 95 * kMinute);
    deck->cmdLooped_MouseDown();
    EXPECT_EQ(after(97 * kMinute, &FrmMain::Lum_Stop), 95 * kMinute);
    deck->Lum_Pause();
    EXPECT_EQ(after(100 * kMinute - 4, &FrmMain::FXTimer2_Timer), 0) << "the end";
    // Code's value after an action that moved nothing (Home at the start) seeks nothing.
    deck->trkPosition->setValue(0);
    deck->trkPosition->triggerAction(QAbstractSlider::SliderToMinimum);
    deck->trkPosition->setValue(7000);
    EXPECT_EQ(position(), 0);
    deck->trkPosition->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(position(), 100 * kMinute);
}

TEST_F(TransportTest, PitchRatesAndTexts) {
    deck->lblBPMs->setText("120");
    deck->lblOrigBPM->setText("120");
    struct Case {
        int value, rate;
        const char *percent, *tempo;
    };
    // The rate rounds halves to even: 45202.5 Hz plays at 45202.
    for (const Case& c :
         {Case{1600, 37044, "-16 %", "100.800"}, Case{-250, 45202, "2.5 %", "123.000"}}) {
        deck->vscPitch->setValue(c.value);
        deck->vscPitch_Scroll();
        EXPECT_EQ(track().slide, (std::array{c.rate, 50, 0, 0}));
        EXPECT_EQ(deck->lblBPM->text(), c.percent);
        EXPECT_EQ(deck->lblBPMs->text(), c.tempo);
    }
    deck->cmdPitchDw_MouseDown();  // "up": one step faster
    EXPECT_EQ(deck->lblBPM->text(), "2.51 %");

    deck->lblBPMs->setText("Not Detected");
    deck->vscPitch_Scroll();
    EXPECT_EQ(deck->lblBPMs->text(), "Not Detected");
    // A balance change applies the pitch again and shows the rate in Hz.
    deck->hscEQ(1)->setValue(-40);
    EXPECT_EQ(track().slide, (std::array{45207, 50, -40, 0}));
    EXPECT_EQ(deck->lblBPM->text(), "45207");
}

TEST_F(TransportTest, TouchBendsOrBrakesAndRestoresOnRelease) {
    deck->vscPitch->setValue(-300);
    deck->Lum_TouchB2();  // in touch mode, as set: bends the rate it reads
    EXPECT_EQ(track().slide, (std::array{41600, 50, 0, 0}));
    EXPECT_EQ(deck->cmdBack->dotColor(), 0xFF);
    deck->vscPitch->setValue(500);  // moved while held
    deck->Lum_TouchUp();
    EXPECT_EQ(track().slide, (std::array{44100, 50, 0, 0}));
    EXPECT_EQ(deck->vscPitch->value(), -300);
    EXPECT_EQ(deck->cmdBack->dotColor(), 0x80);

    deck->state.TouchMode = 0;
    deck->Lum_TouchF2();  // spin up to 100000 Hz over TouchAmount ms
    EXPECT_EQ(track().slide, (std::array{100000, 50, 0, 2500}));
    EXPECT_EQ(deck->cmdForward->dotColor(), 0xFF);
}

TEST_F(TransportTest, EqualiserKillsAndRestores) {
    deck->vscEQ(1)->setValue(40);
    QTest::mousePress(deck->lblEQR(1), Qt::RightButton);
    EXPECT_EQ(deck->lblinfo(12)->text(), "-150");
    QTest::mouseRelease(deck->lblEQR(1), Qt::RightButton);
    EXPECT_EQ(deck->lblinfo(12)->text(), "40");
    QTest::keyClick(deck->vscEQ(1), Qt::Key_Down);  // the top is +15 dB: down lowers the gain
    EXPECT_EQ(deck->lblinfo(12)->text(), "39");

    deck->vscEQ(2)->setValue(-90);
    QTest::mousePress(deck->lblEQR(2), Qt::LeftButton);
    EXPECT_EQ(deck->lblinfo(13)->text(), "0");
}

// A value from code is stored at once; a drag is heard as it goes and stored when let go.
TEST_F(TransportTest, VolumeAndTouchStrengthStoreOnlyWhenTheChangeCompletes) {
    deck->hscEQ(0)->setValue(80);  // heard: EngineDeckTest
    deck->hscEQ(0)->setSliderDown(true);
    deck->hscEQ(0)->setSliderPosition(20);
    EXPECT_EQ(audioView->globalVolume, 20);
    EXPECT_EQ(deck->lblinfo(8)->text(), "20");
    deck->state.TouchMode = 0;
    deck->Lum_TouchB2();
    EXPECT_EQ(track().slide, (std::array{10, 80, 0, 2500})) << "the stored volume";
    deck->hscEQ(0)->setSliderDown(false);
    EXPECT_EQ(deck->state.VolumePos, 20);

    deck->hscEQ(2)->setSliderDown(true);
    deck->hscEQ(2)->setSliderPosition(1000);
    deck->hscEQ(2)->setSliderDown(false);
    EXPECT_EQ(deck->state.TouchAmount, 1000);
}

// --- The joystick jog: an SDL virtual pad, attached after the deck started, steps through masks.

struct Sequence {
    const char* name;
    std::vector<int> masks;  // one poll each
    int back, forward;       // jogs expected
    friend void PrintTo(const Sequence& sequence, std::ostream* out) { *out << sequence.name; }
};

class JoystickTest : public FrmMainTest, public ::testing::WithParamInterface<Sequence> {
  public:
    void SetUp() override {
        FrmMainTest::SetUp();
        deck = makeDeck("1");
        deck->txtJoyID->setText("4");
        deck->PollJoystick();  // the deck reads joysticks before the pad is plugged in
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
        ASSERT_GE(index, 0) << SDL_GetError();
        pad = SDL_JoystickOpen(index);
        ASSERT_NE(pad, nullptr) << SDL_GetError();
        deck->txtJoyID->setText(QString::number(index));
    }
    void TearDown() override {
        if (pad) SDL_JoystickClose(pad);
        if (index >= 0) SDL_JoystickDetachVirtual(index);
        deck.reset();  // its reader lets go of SDL first
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
    void hold(int mask) {
        for (int button = 0; button < 4; ++button) {
            SDL_JoystickSetVirtualButton(pad, button, (mask >> button) & 1);
        }
    }
    int jogs(const QString& rate) {
        return audioView->calls.filter("BASS_ChannelSlideAttributes(0," + rate + ",").size();
    }

    int index = -1;
    SDL_Joystick* pad = nullptr;
};

TEST_P(JoystickTest, FirstAndSecondMaskOfAPressChooseTheJog) {
    for (int mask : GetParam().masks) {
        hold(mask);
        deck->PollJoystick();
    }
    // Touch mode is on: a jog bends the (absent) channel's rate by 2500 Hz.
    EXPECT_EQ(jogs("-2500"), GetParam().back);
    EXPECT_EQ(jogs("2500"), GetParam().forward);
    EXPECT_EQ(jogs("0"), 0) << "a release slid the rate back: the jog was ended";
    EXPECT_EQ(deck->cmdBack->backColor() == 255, GetParam().back > 0);
    EXPECT_EQ(deck->cmdForward->backColor() == 255, GetParam().forward > 0);
}

INSTANTIATE_TEST_SUITE_P(Remote, JoystickTest,
                         ::testing::Values(Sequence{"OneThenBoth", {0, 1, 3}, 1, 0},
                                           Sequence{"BothThenOne", {0, 3, 1}, 0, 1},
                                           Sequence{"TwoThenBoth", {0, 2, 3}, 0, 0},
                                           Sequence{"OneBothOne", {0, 1, 3, 3, 1}, 1, 0},
                                           Sequence{"TwoPresses", {0, 1, 3, 0, 1, 3}, 2, 0},
                                           Sequence{"NoReleaseBeforeTheFirstPress", {1, 3}, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(JoystickTest, APadPulledOutReadsAsNoButtonsAndOtherNumbersAreIgnored) {
    const size_t j = static_cast<size_t>(index);
    hold(1);
    deck->PollJoystick();
    SDL_JoystickClose(std::exchange(pad, nullptr));
    ASSERT_EQ(SDL_JoystickDetachVirtual(std::exchange(index, -1)), 0);
    deck->PollJoystick();
    EXPECT_EQ(deck->state.JoyFirstButtons[j], 4);      // a full release
    for (const char* number : {"5", "-1", "70000"}) {  // outside the deck's five
        deck->txtJoyID->setText(number);
        deck->PollJoystick();
    }
}

}  // namespace
}  // namespace luma::test
