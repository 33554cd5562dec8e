// The meters on the real engine: what the listener hears lights the
// spectrum's bars at the bin of its frequency and lifts the level meter;
// a paused deck brings both back to rest.
#include <cmath>

#include "engine_deck_fixture.h"
#include "support/audio_files.h"

namespace luma::test {
namespace {

constexpr int kRate = 44100;
constexpr double kBinHz = kRate / 2048.0;

class MetersEngineTest : public EngineDeckTest {
  public:
    void playTone(double hz, double amplitude) {
        startDeck();
        const QString crate = folder_ + "/crate";
        ASSERT_TRUE(writeWav16((crate + "/tone.wav").toStdString(),
                               makeSine(hz, 5.0, kRate, 2, amplitude)));
        load(crate, "tone.wav");
        deck->Lum_Pause();
        render(kRate / 5);
    }
    // Lit pixels of a column of the spectrum picture, from the bottom up.
    int litHeight(int column) {
        const QImage& picture = deck->pctSpectrum->picture();
        int height = 0;
        while (height < picture.height() &&
               picture.pixel(column, picture.height() - 1 - height) != qRgb(0, 0, 0)) {
            ++height;
        }
        return height;
    }
};

TEST_F(MetersEngineTest, SineLightsTheBarsAtItsBinAndNowhereFar) {
    // Bin 20 exactly: column 2 x (20 - 1); sqrt(0.05) x 3 x 101 = 67.7 rows
    // above the bottom row, the neighbours at half magnitude 47.9.
    playTone(20 * kBinHz, 0.05);
    deck->tmrSpectrum_Timer();
    EXPECT_NEAR(litHeight(38), 69, 2);
    EXPECT_NEAR(litHeight(36), 49, 2);
    EXPECT_NEAR(litHeight(40), 49, 2);
    for (int column = 0; column < 87; ++column) {
        if (std::abs(column - 38) > 4) {
            EXPECT_LE(litHeight(column), 2) << "column " << column;
        }
    }
    EXPECT_EQ(litHeight(87), 0);
}

TEST_F(MetersEngineTest, LoudToneLiftsTheMeterAndPauseBringsEverythingToRest) {
    playTone(1000.0, 0.5);  // peak 64 of 128 on each side: 50 %
    deck->FXTimer1_Timer();
    EXPECT_EQ(deck->shpVU(0)->y(), 56);  // 6 pixels below the peak mark at 50

    deck->Lum_Pause();
    render(kRate / 10);
    deck->FXTimer1_Timer();
    deck->tmrSpectrum_Timer();
    EXPECT_EQ(deck->shpVU(0)->y(), 101);  // bars out of sight
    EXPECT_EQ(deck->shpVU(1)->y(), 101);
    for (int column = 0; column < 87; ++column) EXPECT_EQ(litHeight(column), 1);
}

}  // namespace
}  // namespace luma::test
