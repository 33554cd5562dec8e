// Loading tracks on the real engine (manual output): the tempo measured on
// the demo crate's tracks, also under a name in an old code page. (The calls
// of a load, modules' included, and the texts made of the engine's answers
// are TrackLoadingTest's and NumberTextTest's; the answers the engine's tests'.)
#include <QFileInfo>
#include <filesystem>

#include "engine_deck_fixture.h"
#include "loading/file_names.h"

namespace luma::test {
namespace {

TEST_F(EngineDeckTest, DemoTracksShowTheirTempoAndTag) {
    startDeck();
    const QString demo = QFileInfo(LUMA_DECK_PATH).absolutePath() + "/demo";
    load(demo, "House Groove 124.wav");
    EXPECT_EQ(deck->lblBPMs->text(), "124");
    EXPECT_EQ(deck->lblOrigBPM->text(), "124");
    EXPECT_TRUE(deck->lblinfo(0)->text().startsWith(" House Groove"));
    load(demo, "Broken Beat 96.wav");
    EXPECT_EQ(deck->lblBPMs->text(), "96");

    // The same track under a name an old player wrote in Latin-1.
    const std::filesystem::path latin =
        encodeFileName(folder_ + "/crate").toStdString() + "/Caf\xe9 124.wav";
    std::filesystem::copy_file(encodeFileName(demo + "/House Groove 124.wav").toStdString(), latin);
    load(folder_ + "/crate", QString::fromUtf8("Café 124.wav"));
    EXPECT_NE(deck->state.Channel, 0u);
    EXPECT_EQ(deck->lblBPMs->text(), "124");
    EXPECT_EQ(deck->lblFileName->text(), QString::fromUtf8("Café 124"));
}

}  // namespace
}  // namespace luma::test
