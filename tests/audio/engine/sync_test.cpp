// Tempo and beat sync rendered offline: click tracks of other tempos, panned apart, click
// together at the session's tempo; refused ones lock once they can; a synced start waits.
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <ableton/Link.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "support/engine_fixture.h"

namespace luma::test {
namespace {

constexpr int kRate = 44100;

// A click on every beat from `firstSeconds`: a 60 Hz thump for the grid, a 3 kHz edge to time.
Signal clickTrack(double bpm, double firstSeconds, double seconds) {
    Signal signal{std::vector<float>(static_cast<size_t>(seconds * kRate) * 2, 0.0f), 2, kRate};
    for (double beat = firstSeconds; beat < seconds - 0.2; beat += 60.0 / bpm) {
        const auto start = static_cast<int64_t>(std::llround(beat * kRate));
        for (int i = 0; i < kRate / 5; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double thump =
                0.8 * std::exp(-t / 0.03) * std::sin(2 * std::numbers::pi * 60 * t);
            const double edge =
                0.3 * std::exp(-t / 0.001) * std::cos(2 * std::numbers::pi * 3000 * t);
            float* frame = &signal.samples[static_cast<size_t>(start + i) * 2];
            frame[0] = frame[1] = frame[0] + static_cast<float>(thump + edge);
        }
    }
    return signal;
}

// The tempo of clicks, from their median interval.
double heardBpm(const std::vector<double>& times) {
    std::vector<double> intervals;
    for (size_t i = 1; i < times.size(); ++i) intervals.push_back(times[i] - times[i - 1]);
    if (intervals.empty()) return 0.0;
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    return 60.0 / intervals[intervals.size() / 2];
}

// The largest distance from each click of `a` to the nearest click of `b`.
double worstOffset(const std::vector<double>& a, const std::vector<double>& b) {
    double worst = 0.0;
    for (const double t : a) {
        double nearest = INFINITY;
        for (const double u : b) nearest = std::min(nearest, std::fabs(u - t));
        worst = std::max(worst, nearest);
    }
    return worst;
}

class SyncTest : public EngineTest {
  protected:
    // A click track opened for playing, panned to `pan`, once its grid is known.
    uint32_t clicks(double bpm, double firstSeconds, int pan) {
        const uint32_t channel = openPlayable(writeWav(clickTrack(bpm, firstSeconds, 40)));
        EXPECT_NE(BASS_ChannelSlideAttributes(channel, -1, -1, pan, 0), 0);
        EXPECT_TRUE(waitForGrid(channel));
        return channel;
    }
    // A Link session elsewhere on this network would be joined and its tempo taken.
    static bool inAForeignSession(uint32_t channel) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        uint32_t peers = 0;
        LUMA_ChannelGetSync(channel, nullptr, &peers);
        return peers > 0;
    }
    // Clicks heard on each side over the next `seconds`, each after 20 ms below the threshold
    // (longer than the thump's quiet stretches).
    struct Heard {
        std::vector<double> left, right;
    };
    Heard listen(double seconds) {
        const std::vector<float> out = render(static_cast<int>(seconds * kRate));
        return {soundStarts(side(out, 0), kRate, 0.2f, 0.02),
                soundStarts(side(out, 1), kRate, 0.2f, 0.02)};
    }
};

TEST_F(SyncTest, TwoTracksClickTogetherAtTheSessionTempoAndFollowItsChanges) {
    const uint32_t first = clicks(122, 0.11, -100);
    const uint32_t second = clicks(127.5, 0.37, 100);
    double firstGrid = 0;
    ASSERT_NE(LUMA_ChannelGetBeatGrid(first, &firstGrid, nullptr, nullptr), 0);
    ASSERT_EQ(LUMA_ChannelSetSync(first, 1), LUMA_SYNC_LOCKED);
    if (inAForeignSession(first)) GTEST_SKIP() << "another Link session answers here";
    ASSERT_NE(BASS_StreamPlay(first, 0, 0), 0);
    // The second, synced while it plays, is off the beat: it aligns within a second.
    ASSERT_NE(BASS_StreamPlay(second, 0, 0), 0);
    listen(2.3);
    ASSERT_EQ(LUMA_ChannelSetSync(second, 1), LUMA_SYNC_LOCKED);
    listen(1.0);
    for (const double faderBpm : {0.0, 118.4}) {  // 0: the first's own tempo
        SCOPED_TRACE(faderBpm);
        double expected = firstGrid;
        if (faderBpm > 0) {
            const auto rate = static_cast<int>(std::lround(kRate * faderBpm / firstGrid));
            ASSERT_NE(BASS_ChannelSlideAttributes(first, rate, -1, -101, 0), 0);
            expected = firstGrid * rate / kRate;
            ASSERT_NE(LUMA_ChannelSetSyncTempo(first, expected), 0);
            listen(1.0);
        }
        const Heard heard = listen(8.0);
        EXPECT_NEAR(heardBpm(heard.left), expected, expected * 0.0005);
        EXPECT_NEAR(heardBpm(heard.right), expected, expected * 0.0005);
        EXPECT_LT(worstOffset(heard.left, heard.right), 0.001);
    }
}

TEST_F(SyncTest, SyncedStartWaitsForTheSessionsBeat) {
    const uint32_t leader = clicks(124, 0.05, -100);
    ASSERT_EQ(LUMA_ChannelSetSync(leader, 1), LUMA_SYNC_LOCKED);
    if (inAForeignSession(leader)) GTEST_SKIP() << "another Link session answers here";
    ASSERT_NE(BASS_StreamPlay(leader, 0, 0), 0);
    listen(1.3);
    // Cued on its first click, the second channel starts on a beat of the leader's.
    const uint32_t cued = clicks(124, 0.25, 100);
    const uint64_t cue = static_cast<uint64_t>(0.25 * kRate) * 4;
    ASSERT_NE(BASS_ChannelSetPosition(cued, cue), 0);
    ASSERT_EQ(LUMA_ChannelSetSync(cued, 1), LUMA_SYNC_LOCKED);
    ASSERT_NE(BASS_StreamPlay(cued, 0, 0), 0);
    const Heard heard = listen(3.0);
    ASSERT_FALSE(heard.right.empty());
    EXPECT_LT(heard.right.front(), 60.0 / 124 + 0.001) << "within a beat";
    EXPECT_LT(worstOffset(heard.right, heard.left), 0.001) << "on the leader's beats";
    // Waited for, not started at once and jumped into phase: it has played from its cue
    // for just as long as it has been heard.
    const double played = double(BASS_ChannelGetPosition(cued) - cue) / 4 / kRate;
    EXPECT_NEAR(played, 3.0 - heard.right.front(), 0.002);
}

TEST_F(SyncTest, RefusedSyncPlaysOnAndLocksOnceTheReasonIsGone) {
    const uint32_t leader = clicks(120, 0.2, -100);
    ASSERT_EQ(LUMA_ChannelSetSync(leader, 1), LUMA_SYNC_LOCKED);
    if (inAForeignSession(leader)) GTEST_SKIP() << "another Link session answers here";
    // 100 BPM needs a rate of 1.2 (or 0.6 at twice its tempo): beyond the fader.
    const uint32_t slow = clicks(100, 0.05, 100);
    ASSERT_EQ(LUMA_ChannelSetSync(slow, 1), LUMA_SYNC_OUT_OF_RANGE);
    EXPECT_EQ(LUMA_ChannelSetSyncTempo(slow, 100.0), 0) << "a refused fader moves no session";
    ASSERT_NE(BASS_StreamPlay(slow, 0, 0), 0);
    EXPECT_NEAR(heardBpm(listen(5.0).right), 100.0, 0.05) << "refused: its own tempo";
    // The leader's fader brings the session within reach: the refused channel locks.
    ASSERT_NE(BASS_ChannelSlideAttributes(leader, 41160, -1, -101, 0), 0);
    ASSERT_NE(LUMA_ChannelSetSyncTempo(leader, 112.0), 0);
    EXPECT_EQ(LUMA_ChannelGetSync(slow, nullptr, nullptr), LUMA_SYNC_LOCKED);
    listen(1.0);
    EXPECT_NEAR(heardBpm(listen(5.0).right), 112.0, 0.05);

    // Without a beat there is no grid: refused, and the channel plays on unchanged.
    const uint32_t tone = openPlayable(writeWav(makeSine(440, 20)));
    EXPECT_EQ(LUMA_ChannelSetSync(tone, 1), LUMA_SYNC_NO_GRID);
    LUMA_ChannelSetSync(tone, 0);
    EXPECT_EQ(LUMA_ChannelGetSync(tone, nullptr, nullptr), LUMA_SYNC_OFF);
}

// Link peers meet by multicast, which a sandbox with only the loopback device lacks.
bool multicastNetwork() {
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return false;
    bool found = false;
    for (const ifaddrs* i = all; i && !found; i = i->ifa_next) {
        found = i->ifa_addr && i->ifa_addr->sa_family == AF_INET && (i->ifa_flags & IFF_UP) &&
                (i->ifa_flags & IFF_MULTICAST) && !(i->ifa_flags & IFF_LOOPBACK);
    }
    freeifaddrs(all);
    return found;
}

TEST_F(SyncTest, FollowsAPeerThatHoldsTheSession) {
    if (!multicastNetwork()) GTEST_SKIP() << "no multicast network for Link peers to meet on";
    // Another Link program on this machine, in the session since before the channel.
    ableton::Link peer(124.0);
    peer.enable(true);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (peer.numPeers() > 0) GTEST_SKIP() << "another Link session answers on this network";
    const uint32_t channel = clicks(120, 0.2, 0);
    EXPECT_EQ(LUMA_ChannelSetSync(channel, 1), LUMA_SYNC_LOCKED);
    double bpm = 0;  // once joined, the session's
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::fabs(bpm - 124.0) > 1e-3 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        LUMA_ChannelGetSync(channel, &bpm, nullptr);
    }
    ASSERT_NE(BASS_StreamPlay(channel, 0, 0), 0);
    listen(1.0);
    EXPECT_NEAR(heardBpm(listen(5.0).left), 124.0, 124.0 * 0.0005) << "the session's, not 120";
}

}  // namespace
}  // namespace luma::test
