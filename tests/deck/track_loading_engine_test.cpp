// Loading tracks on the real engine (manual output): the length texts of
// files of known lengths, tracker modules, and the tempo measured on the demo
// crate's tracks.
#include <QFileInfo>
#include <filesystem>

#include "engine_deck_fixture.h"
#include "loading/file_names.h"
#include "support/audio_files.h"

namespace luma::test {
namespace {

// A silent 8000 Hz mono 16-bit WAV of exactly `frames` frames, written
// sparse, so that an hour costs no time.
void writeSilentWav(const QString& path, uint32_t frames) {
    const uint32_t dataBytes = frames * 2;
    auto le32 = [](uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    QByteArray header = "RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16);
    header += QByteArray("\x01\x00\x01\x00", 4) + le32(8000) + le32(16000);
    header += QByteArray("\x02\x00\x10\x00", 4) + "data" + le32(dataBytes);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header);
    ASSERT_TRUE(file.resize(44 + qint64{dataBytes}));
}

TEST_F(EngineDeckTest, LengthTextsOfFilesOfKnownLength) {
    startDeck();
    const QString crate = folder_ + "/crate";
    struct Case {
        uint32_t frames;
        const char* text;
    };
    // 185.4567 s, 59.9996 s (the milliseconds round up on their own) and an hour.
    for (const Case& c :
         {Case{1483654, "03:05,457"}, Case{479997, "00:59,000"}, Case{28800000, "60:00,000"}}) {
        writeSilentWav(crate + "/length.wav", c.frames);
        load(crate, "length.wav");
        EXPECT_NE(deck->state.Channel, 0u);
        EXPECT_EQ(deck->lblLength->text(), c.text);
        EXPECT_EQ(deck->lblQuality->text(), "8000 Hz");
        EXPECT_EQ(deck->trkPosition->max(), int(c.frames * 2));
        EXPECT_EQ(deck->lblBPMs->text(), "0") << "silence has no beat";
        EXPECT_EQ(deck->lblFileName->text(), "length");
    }
}

TEST_F(EngineDeckTest, ModulesLoad) {
    startDeck();
    const QString crate = folder_ + "/crate";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(fixture("tune.mod")), crate + "/tune.mod"));
    load(crate, "tune.mod");
    EXPECT_EQ(deck->state.Channel >> 28, 2u) << "a module";
    EXPECT_EQ(deck->lblQuality->text(), "44100 Hz");
    EXPECT_NE(deck->state.EqFX[3], 0u);
    // (What the deck shows for a file nothing opens is TrackLoadingTest's.)
}

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
