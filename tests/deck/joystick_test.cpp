// The joystick jog through the real poll: an SDL virtual pad, attached after
// the deck has started, steps through button masks.
#include <SDL.h>

#include <utility>

#include "deck_fixture.h"

namespace luma::test {
namespace {

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
        deck->Form_Load();
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

    std::unique_ptr<FrmMain> deck;
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
    EXPECT_EQ(deck->cmdBack->backColor() == 255, GetParam().back > 0);
    EXPECT_EQ(deck->cmdForward->backColor() == 255, GetParam().forward > 0);
}

INSTANTIATE_TEST_SUITE_P(Remote, JoystickTest,
                         ::testing::Values(Sequence{"OneThenBoth", {0, 1, 3}, 1, 0},
                                           Sequence{"BothThenOne", {0, 3, 1}, 0, 1},
                                           Sequence{"TwoThenBoth", {0, 2, 3}, 0, 0},
                                           Sequence{"OneHeld", {0, 1, 1, 1}, 0, 0},
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
