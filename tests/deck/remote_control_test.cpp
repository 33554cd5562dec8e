// A controller on a private JACK server plays a real deck on the null output:
// the device listing names it, the settings file takes that name, and its
// control changes run the deck's commands.
#include <QRegularExpression>
#include <QTextStream>

#include "deck/device_listing.h"
#include "engine_deck_fixture.h"
#include "midi_feed.h"

namespace luma::test {
namespace {

class RemoteControlTest : public EngineDeckTest {
  public:
    void SetUp() override {
        EngineDeckTest::SetUp();
        feed.start();
    }
    // Deck 1's MIDI line is the feed's name as the device listing quotes it.
    void startOnFeed() {
        MidiInput midi;
        JoystickReader joysticks;
        QString text;
        ASSERT_TRUE(waitFor([&] {
            QTextStream out(&text);
            listDevices(nullptr, midi, joysticks, out);
            return text.contains(kFeedClient);
        }));
        const auto name = QRegularExpression(R"(\d+  ("[^"]*luma-feed[^"]*"))").match(text);
        setSettings(0, 0, folder_ + "/crate", name.captured(1));
        startDeck();
        ASSERT_TRUE(deck->MIDIInput->isStarted());
        QObject::connect(deck->MIDIInput, &MidiInput::message, [this] { ++handled; });
    }
    int64_t position() {
        return static_cast<int64_t>(deck->audio()->BASS_ChannelGetPosition(deck->state.Channel));
    }

    ScopedEnv nullOutput_{"LUMATRONE_AUDIO", "null"};
    MidiFeed feed;
    int handled = 0;
};

TEST_F(RemoteControlTest, ControlChangesRunTheDeckCommandsInArrivalOrder) {
    startOnFeed();
    loadTone(440.0, 20.0);

    feed.send({0xB0, 16, 0});  // play, whatever the value
    ASSERT_TRUE(waitFor([&] { return position() > 44100 * 4 / 5; }));
    EXPECT_EQ(deck->state.IsStopped, kFalse);
    EXPECT_TRUE(deck->optActivity->isChecked());
    EXPECT_TRUE(deck->tmrLED->enabled());
    deck->Lum_CueSet();
    const int32_t cue = deck->state.CuePos;
    ASSERT_TRUE(waitFor([&] { return position() > cue + 44100; }));

    feed.send({0xB0, 17, 127});  // stop at the cue point, the Stop lamp red
    ASSERT_TRUE(waitFor([&] { return deck->state.IsStopped == kTrue; }));
    EXPECT_EQ(position(), cue);
    EXPECT_EQ(deck->cmdStop->dotColor(), 255);

    // A note on 16 and a control change on channel 2 only light the lamp.
    deck->optActivity->setChecked(false);
    feed.send({0x90, 16, 100});
    feed.send({0xB1, 16, 0});
    ASSERT_TRUE(waitFor([&] { return handled == 4; }));
    EXPECT_TRUE(deck->optActivity->isChecked());
    EXPECT_EQ(deck->state.IsStopped, kTrue);
    EXPECT_EQ(position(), cue);
    EXPECT_EQ(deck->MIDIInput->status(), 0);  // acknowledged

    feed.send({0xB0, 40, 0});  // the deck ends
    ASSERT_TRUE(waitFor([&] { return platform.ends == 1; }));
    EXPECT_FALSE(deck->MIDIInput->isOpen());
    EXPECT_TRUE(platform.messages.empty());
}

// A controller pulled out, or the JACK server stopping under a running deck:
// one box, then the deck ends.
class DeviceLossTest : public RemoteControlTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DeviceLossTest, EndsTheDeckAfterOneBox) {
    startOnFeed();
    GetParam() ? feed.port.reset() : feed.server.reset();
    ASSERT_TRUE(waitFor([&] { return platform.ends == 1; }));
    waitFor([] { return false; }, 600ms);  // a second report would have come by now
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text,
              "MIDI Error, check your hardware and configure lumatroneDJsystem again.");
    EXPECT_EQ(platform.messages[0].caption, "lumatroneDJsystem");
    EXPECT_EQ(platform.messages[0].style, kMessageCritical);
    EXPECT_EQ(platform.ends, 1);
}

INSTANTIATE_TEST_SUITE_P(Remote, DeviceLossTest, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? "ControllerPulledOut" : "JackServerStops";
                         });

}  // namespace
}  // namespace luma::test
