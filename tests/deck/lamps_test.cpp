// The controller's lamps on a private JACK server: a virtual RtMidi input
// port plays the controller and keeps the latest value of each lamp's address.
#include <QTest>
#include <map>
#include <mutex>

#include "deck_fixture.h"
#include "remote/midi_feed.h"

namespace luma::test {
namespace {

using namespace std::chrono_literals;

constexpr char kLampsClient[] = "luma-lamps";
// Status and first data byte of a lamp's address.
using Address = std::pair<int, int>;
using Lamps = std::map<Address, int>;

class LampsTest : public TrackTest {
  public:
    void SetUp() override {
        TrackTest::SetUp();
        feed_.start();  // the server, up and taking clients
        controller_ = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, kLampsClient);
        controller_->setCallback(&LampsTest::onMessage, this);
        controller_->openVirtualPort("lamps");
    }
    void TearDown() override { deck.reset(); }  // its lamp port before the server

    static Mapping mapping(const std::string& port) {
        Mapping mapping;
        mapping.lampPort = port;
        mapping.lamps = {{Lamp::Play, {MidiKind::ControlChange, 1, 16}},
                         {Lamp::Cue, {MidiKind::Note, 2, 36}},
                         {Lamp::Loop, {MidiKind::ControlChange, 1, 50}},
                         {Lamp::Sync, {MidiKind::ControlChange, 1, 41}},
                         {Lamp::KeyLock, {MidiKind::ControlChange, 1, 42}},
                         {Lamp::Quantize, {MidiKind::ControlChange, 1, 43}},
                         {Lamp::Activity, {MidiKind::Note, 1, 1}}};
        return mapping;
    }
    // The lamps as the controller last heard them, and how many messages came.
    std::pair<Lamps, int> heard() {
        const std::lock_guard lock(mutex_);
        return {lamps_, count_};
    }
    bool hear(const Lamps& lamps, int count) {
        return waitFor([&] { return heard() == std::pair{lamps, count}; });
    }

  private:
    static void onMessage(double, std::vector<unsigned char>* bytes, void* self) {
        auto* test = static_cast<LampsTest*>(self);
        if (bytes->size() != 3) return;
        const std::lock_guard lock(test->mutex_);
        test->lamps_[{(*bytes)[0], (*bytes)[1]}] = (*bytes)[2];
        ++test->count_;
    }

    MidiFeed feed_;
    std::unique_ptr<RtMidiIn> controller_;
    std::mutex mutex_;
    Lamps lamps_;
    int count_ = 0;
};

TEST_F(LampsTest, LightUpAtStartFollowTheDeckAndGoDarkAtShutdown) {
    deck->Lum_Quantize();
    deck->startLamps(mapping(std::string(kLampsClient) + ":lamps"));
    ASSERT_TRUE(platform.messages.empty()) << platform.errors.join("\n").toStdString();
    Lamps lamps = {{{0xB0, 16}, 0}, {{0x91, 36}, 0},   {{0xB0, 50}, 0}, {{0xB0, 41}, 0},
                   {{0xB0, 42}, 0}, {{0xB0, 43}, 127}, {{0x90, 1}, 0}};
    ASSERT_TRUE(hear(lamps, 7)) << heard().second;

    // Each change once, whether a command or the loop watch finds it (a message more shows).
    int count = 7;
    const std::pair<std::function<void()>, Address> changes[] = {
        {[&] { deck->Lum_Pause(); }, {0xB0, 16}},
        {[&] { deck->Lum_CUE(); }, {0x91, 36}},
        {[&] { deck->cmdLooped_MouseDown(); }, {0xB0, 50}},
        {[&] { audioView->syncAnswer = LUMA_SYNC_LOCKED, deck->Lum_Sync(); }, {0xB0, 41}},
        {[&] { deck->optActivity->setChecked(true); }, {0x90, 1}},
        {[&] { deck->Lum_Quantize(); }, {0xB0, 43}},
    };
    for (const auto& [change, address] : changes) {
        change();
        lamps[address] = 127 - lamps[address];
        EXPECT_TRUE(hear(lamps, ++count)) << address.first << " " << address.second;
    }

    deck->salir();
    for (auto& [address, value] : lamps) value = 0;
    EXPECT_EQ(heard(), std::pair(lamps, count + 7)) << "all dark before the output closes";
}

TEST_F(LampsTest, AMissingOutputIsReportedOnceAndTheDeckPlaysOn) {
    deck->startLamps(mapping("no such port"));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_TRUE(platform.messages[0].text.contains("no MIDI output is named \"no such port\""));
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].contains("lumatrone-devices lists the MIDI outputs"));
    deck->Lum_Pause();
    waitFor([] { return false; }, 20ms);  // the loop watch looks at the lamps
    EXPECT_EQ(platform.ends, 0);
}

}  // namespace
}  // namespace luma::test
