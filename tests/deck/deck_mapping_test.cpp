// The deck's mapping: the user's own file wins, its bad lines shown once in a box; mapped
// controls move sliders and position as a mouse would (bass and pitch: MappedControlTest).
#include "deck/deck_mapping.h"

#include <tuple>

#include "deck_fixture.h"

namespace luma::test {
namespace {

TEST_F(FrmMainTest, TheUsersMappingWinsAndItsBadLinesShowOnceInABox) {
    const QString own = folder_ + "/lumatrone/mapping.conf";
    writeUserFile("mapping.conf",
                  "cc 1 16 stop\n"
                  "cc 1 17 spin\n"
                  "key Ctrl+Nowhere sync\n"
                  "key F2 sync\n"
                  "key F2 quantize\n"
                  "cc 1 45 gain\n"
                  "key Ctrl+Q sync\n");
    deck = makeDeck("1");

    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text,
              "These mapping lines were skipped:\n" + own +
                  " line 2: \"spin\" is neither a command nor a control\n" + own +
                  " line 3: \"Ctrl+Nowhere\" is not a key\n" + own +
                  " line 5: F2 is bound already\n" + own + " line 7: Ctrl+Q always quits the deck");
    EXPECT_EQ(platform.errors.size(), 4);
    EXPECT_EQ(platform.ends, 0);
    EXPECT_EQ(deck->mapping().commands.size(), 1u) << "the shipped mapping is not read";
    EXPECT_EQ(deck->mapping().keys.size(), 1u);
}

TEST_F(TrackTest, MappedControlsMoveTheSlidersThePositionAndTheKills) {
    const struct {
        ControlMove move;
        int gain, balance, bass;  // the sliders after it
    } moves[] = {
        {{DeckControl::Gain, 1.0}, 100, 0, 0},
        {{DeckControl::Balance, -0.5}, 100, -50, 0},
        {{DeckControl::EqBass, 0.2}, 100, -50, 30},
    };
    for (const auto& m : moves) {
        deck->moveControl(m.move);
        EXPECT_EQ(
            std::tuple(deck->hscEQ(0)->value(), deck->hscEQ(1)->value(), deck->vscEQ(0)->value()),
            std::tuple(m.gain, m.balance, m.bass));
    }

    // A kill cuts the band, and the second press brings back what it had.
    deck->runCommand(DeckCommand::KillBass);
    EXPECT_EQ(deck->vscEQ(0)->value(), -150);
    deck->runCommand(DeckCommand::KillBass);
    EXPECT_EQ(deck->vscEQ(0)->value(), 30);
    deck->vscPitch->setValue(-800);
    deck->runCommand(DeckCommand::PitchReset);
    EXPECT_EQ(deck->vscPitch->value(), 0);

    // Jog ticks move the position by the touch strength, or the cue point while CUE repeats.
    deck->moveControl({DeckControl::Jog, 0.0, 2});
    EXPECT_EQ(position(), 10 * kSecond + 5000);
    deck->moveControl({DeckControl::Jog, 0.0, -10000});
    EXPECT_EQ(position(), 0);
    after(10 * kSecond, &FrmMain::Lum_CUE);
    deck->moveControl({DeckControl::Jog, 0.0, -1});
    EXPECT_EQ(deck->state.CuePos, 10 * kSecond - 2500);
    EXPECT_EQ(position(), 10 * kSecond - 2500);
}

}  // namespace
}  // namespace luma::test
