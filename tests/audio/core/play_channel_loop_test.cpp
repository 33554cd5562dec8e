// A looping channel behind an output that buffers audio: the position it
// reports is the one being heard, which lags the wraps being rendered.
#include <gtest/gtest.h>

#include <memory>

#include "core/play_channel.h"

namespace luma {
namespace {

TEST(PlayChannelLoopTest, HeardPositionFollowsTheWrapsThroughTheOutputLatency) {
    constexpr int64_t kStart = 5000, kEnd = 9000, kFrom = 8000;
    constexpr int kLatency = 1000, kBlock = 256;
    auto track = std::make_shared<Track>(44100, 1, 20000, SampleKind::Int16);
    std::fill_n(track->int16Frames(0), track->frames(), int16_t{0});
    track->markReady(0);
    PlayChannel channel(track, nullptr, false);
    RenderContext context{0, 44100.0, kLatency};
    const auto apply = [&](Command::Type type, bool loop = false) {
        Command command;
        command.type = type;
        command.loop = loop;
        command.frame = type == Command::Type::SetLoop ? kStart : kFrom;
        command.loopEnd = kEnd;
        channel.apply(command, context);
    };
    apply(Command::Type::SetLoop, true);
    apply(Command::Type::Seek);
    apply(Command::Type::Play);

    float left[kBlock] = {}, right[kBlock] = {};
    for (int block = 0; block < 100; ++block) {
        context.outFrame = int64_t{block} * kBlock;
        channel.render(context, kBlock, left, right);
        const int64_t outEnd = context.outFrame + kBlock;
        channel.publish(context, outEnd);
        const int64_t played = std::max<int64_t>(0, outEnd - kLatency);
        const int64_t at = kFrom + played;
        const int64_t expected = at < kEnd ? at : kStart + (at - kStart) % (kEnd - kStart);
        ASSERT_EQ(channel.heardFrame(), expected) << block;
    }
}

}  // namespace
}  // namespace luma
