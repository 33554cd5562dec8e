// Jumps, stops and starts of a playing channel: no step in the sound, and
// the file's own samples once the short fades are over.
#include <cmath>

#include "support/engine_fixture.h"

namespace luma::test {
namespace {

constexpr int kFade = 128;  // output frames of a jump's or a stop's fade
constexpr double kAmplitude = 0.9;

class DeclickTest : public EngineTest {
  protected:
    // A 997 Hz sine at 0.9: a cut anywhere steps by up to 1.8.
    uint32_t playSine() { return play(writeWav(makeSine(997, 2.0, 44100, 2, kAmplitude))); }
    // The sine's own steepest step, plus what a linear fade between two of
    // its phases may add.
    static double smoothBound() {
        return 2 * M_PI * 997 * kAmplitude / 44100 + 2 * kAmplitude / kFade;
    }
};

TEST_F(DeclickTest, RepeatedJumpsBackToACuePointNeverStep) {
    // A held CUE: back to the cue point every 75 ms, the point itself far
    // from the phase playback reached.
    const uint32_t stream = playSine();
    std::vector<float> left = side(render(1000), 0);
    for (int jump = 0; jump < 12; ++jump) {
        ASSERT_NE(BASS_ChannelSetPosition(stream, 20011 * 4), 0);
        const std::vector<float> heard = side(render(3307), 0);
        left.insert(left.end(), heard.begin(), heard.end());
    }
    EXPECT_LT(largestStep(left), smoothBound());
}

TEST_F(DeclickTest, StopFadesOutAndPlayFadesInAtThePositionStoppedAt) {
    const uint32_t stream = playSine();
    std::vector<float> left = side(render(1000), 0);
    ASSERT_NE(BASS_ChannelStop(stream), 0);
    const std::vector<float> stopping = side(render(1000), 0);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 1000u * 4) << "the fade-out moves no position";
    EXPECT_GT(peak(std::vector<float>(stopping.begin(), stopping.begin() + 16)), 0.1)
        << "not cut at once";
    EXPECT_EQ(peak(std::vector<float>(stopping.begin() + kFade, stopping.end())), 0.0)
        << "silent once faded";
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    const std::vector<float> again = side(render(1000), 0);
    left.insert(left.end(), stopping.begin(), stopping.end());
    left.insert(left.end(), again.begin(), again.end());
    EXPECT_LT(largestStep(left), smoothBound());
    EXPECT_GT(peak(std::vector<float>(again.begin(), again.begin() + 256)), 0.1)
        << "sounding within the first block";
}

}  // namespace
}  // namespace luma::test
