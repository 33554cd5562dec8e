// The MIDI input against a private JACK server, a virtual RtMidi port as the controller.
#include "remote/midi_input.h"

#include <QSignalSpy>

#include "remote/midi_feed.h"

namespace luma::test {
namespace {

using namespace std::chrono_literals;
using Messages = std::vector<std::pair<int, int>>;

class MidiInputTest : public ::testing::Test {
  protected:
    void SetUp() override { feed_.start(); }

    // The feed's number among the input's devices, -1 if it never shows.
    int feedIndex(MidiInput& input) {
        int found = -1;
        waitFor([&] {
            for (int i = 0; i < input.deviceCount(); ++i) {
                if (input.deviceName(i).contains(kFeedClient)) found = i;
            }
            return found >= 0;
        });
        return found;
    }

    MidiFeed feed_;
};

TEST_F(MidiInputTest, DeliversEveryMessageOnlyWhileStartedAndRefusesBadIndices) {
    MidiInput input;
    Messages messages;  // status and first data byte of each
    QObject::connect(&input, &MidiInput::message, [&](int status, int data1) {
        messages.push_back({status, data1});
    });
    QSignalSpy errors(&input, &MidiInput::error);
    const int index = feedIndex(input);
    ASSERT_GE(index, 0);

    input.setDeviceIndex(index);
    EXPECT_TRUE(input.act(MidiInput::Open));
    ASSERT_TRUE(input.isOpen());
    EXPECT_TRUE(input.act(MidiInput::Start));

    // A SysEx in pieces round a clock, one cut off by a status: each once, in order completed.
    const std::vector<unsigned char> events[] = {{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7},
                                                 {0xF8},
                                                 {0xF1, 0x21},
                                                 {0xF0, 0x41, 0x10},
                                                 {0x42, 0xF8},
                                                 {0x12, 0xF7},
                                                 {0xF0, 0x43, 0x10},
                                                 {0xB0, 40, 0}};
    for (const auto& event : events) feed_.send(event);
    Messages expected = {{0xF0, 0x7E}, {0xF8, 0},    {0xF1, 0x21}, {0xF8, 0},
                         {0xF0, 0x41}, {0xF0, 0x43}, {0xB0, 40}};
    const auto allArrived = [&] { return messages.size() >= expected.size(); };
    ASSERT_TRUE(waitFor(allArrived)) << messages.size();

    // A second reader of the same port tells when the stopped one would have heard.
    MidiInput monitor;
    QSignalSpy heard(&monitor, &MidiInput::message);
    monitor.setDeviceIndex(index);
    monitor.open();
    monitor.start();

    EXPECT_TRUE(input.act(MidiInput::Stop));
    for (unsigned char controller = 7; controller <= 9; ++controller)
        feed_.send({0xB0, controller, 1});
    ASSERT_TRUE(waitFor([&] { return heard.size() >= 3; }));
    feed_.send({0x80, 60, 0});  // one more cycle, so the stopped reader's callbacks are done too
    ASSERT_TRUE(waitFor([&] { return heard.size() >= 4; }));
    QCoreApplication::processEvents();

    // It starts again after a stop, with nothing from the stopped time, and nothing twice.
    input.act(MidiInput::Start);
    feed_.send({0xB1, 20, 5});
    expected.push_back({0xB1, 20});
    ASSERT_TRUE(waitFor(allArrived));
    EXPECT_EQ(messages, expected);

    EXPECT_TRUE(input.act(MidiInput::Close));
    EXPECT_FALSE(input.isOpen());
    EXPECT_FALSE(input.isStarted());

    // An index past the end raises an error; a failed open leaves the old device closed.
    input.open();
    ASSERT_TRUE(input.isOpen());
    input.setDeviceIndex(input.deviceCount());
    input.open();
    EXPECT_FALSE(input.isOpen());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(input.deviceName(input.deviceIndex()).isEmpty());
}

TEST_F(MidiInputTest, DestroyedWhileMessagesAreOnTheirWay) {
    auto input = std::make_unique<MidiInput>();
    const int index = feedIndex(*input);
    ASSERT_GE(index, 0);
    input->setDeviceIndex(index);
    input->open();
    input->start();
    ASSERT_TRUE(input->isStarted());
    int delivered = 0;
    QObject::connect(input.get(), &MidiInput::message, [&] { ++delivered; });
    for (unsigned char value = 0; value < 50; ++value) feed_.send({0xB0, 1, value});
    std::this_thread::sleep_for(20ms);  // some of them posted, none handled yet
    input.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

}  // namespace
}  // namespace luma::test
