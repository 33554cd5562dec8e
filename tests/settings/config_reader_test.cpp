// The deck's start-up configuration: its numbers, each deck's settings, which files are read
// and how far, and the shipped ones (the user's own copy winning: LauncherTest).
#include "settings/config_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QRegularExpression>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "loading/file_names.h"
#include "qt_print.h"
#include "support/temp_dir.h"

namespace luma::test {
namespace {

// A settings file whose line k holds lines[k]; the other lines up to 38 are empty.
std::string settingsText(std::map<int, std::string> lines) {
    std::string text;
    for (int line = 1; line <= 38; ++line)
        text += (lines.count(line) ? lines[line] : std::string()) + "\n";
    return text;
}

// The leading number; halves round to even, other fractions to the nearest; too big saturates.
TEST(SettingNumberTest, LeadingNumberRoundedHalfToEvenAndSaturated) {
    const std::pair<const char*, int> cases[] = {
        {"  -7", -7},  {"1e3", 1},    {"2.5", 2}, {"3.5", 4},       {"-3.5", -4},
        {"0.5000", 0}, {"2.4999", 2}, {"2.6", 3}, {"40000", 32767}, {"32767.5", 32767}};
    for (auto [text, value] : cases) EXPECT_EQ(readSettingNumber(text), value) << text;
    EXPECT_EQ(readSettingNumber("2.5000000000000000001"), 3);
    EXPECT_EQ(readSettingNumber("-99999999999999999999999"), -32768);
}

using Fields = std::tuple<bool, bool, int, int, QString, QString, QString>;

// Deck 1 takes the first of each pair of lines, any other deck the second.
TEST(ReadConfigTest, EachDeckTakesItsOwnOfEachPair) {
    // Lines 1 to 9, 26 lines for other features, then the music folder and the joysticks.
    const std::string pairs =
        "ON\n\nON\nON\n\n2.5\n3.5\nPad A\nPad B\n" + std::string(26, '\n') + "/music\n0\n1\n";
    const struct {
        const char* deck;
        std::string text;  // none: no settings file
        Fields settings;
    } cases[] = {
        {"1", pairs, {true, true, 1, 2, "Pad A", "/music", "0"}},  // 2.5 rounds half to even
        {"2", pairs, {true, true, 1, 4, "Pad B", "/music", "1"}},
        {"1", settingsText({{1, "on"}, {3, "On"}, {4, "ON "}}), {}},  // only exactly ON is on
        // An unquoted comma in the music folder shifts the joysticks (quotes: ItemReaderTest).
        {"1", settingsText({{36, "/mnt/a,b"}}), {false, false, 0, 0, "", "/mnt/a", "b"}},
        {"2", "ON\n0\nON\n0\n0\n0\n4", {true, true, 0, 4, "", "", ""}},  // short: the rest empty
        // Not UTF-8 (an older file): a name reads as Windows-1252, a folder keeps the bytes.
        {"1",
         settingsText({{8, "M\xFCsik"}, {36, "/m\xC3\xBCsik/caf\xE9"}}),
         {false, false, 0, 0, u"Müsik"_qs, decodeFileName("/m\xC3\xBCsik/caf\xE9"), ""}},
        {"1", "", {}}};
    for (const auto& c : cases) {
        TempDir dir;
        if (!c.text.empty()) dir.write(std::string("deck") + c.deck + ".ini", c.text);
        const ConfigResult result = readConfig(QString::fromStdString(dir.path().string()), c.deck);
        EXPECT_EQ(result.settingsFileOpened, !c.text.empty()) << c.deck << " " << c.text;
        const DeckSettings& r = result.settings;
        EXPECT_EQ(Fields(r.showBpm, r.joystickTimer, r.touchMode, r.soundDevice, r.midiDeviceName,
                         r.musicFolder, r.joystickNumber),
                  c.settings)
            << c.deck << " " << c.text;
    }
}

// Bytes this process has read so far, all files together.
long long bytesRead() {
    QFile io("/proc/self/io");
    EXPECT_TRUE(io.open(QIODevice::ReadOnly));
    return QRegularExpression("rchar: (\\d+)").match(io.readAll()).captured(1).toLongLong();
}

// Only a regular file or a link to one is read, its first lines only: a FIFO or a device
// neither blocks nor fills memory. Every genre has a name, empty where the file has none.
TEST(ReadConfigTest, ReadsOnlyTheFirstLinesOfARegularFile) {
    using Path = const std::filesystem::path&;
    const struct {
        const char* what;
        void (*make)(Path file, Path text);
        bool opened;
    } cases[] = {
        {"a link", [](Path file, Path text) { create_symlink(text, file); }, true},
        {"32 MB", [](Path file, Path text) { copy_file(text, file), resize_file(file, 32 << 20); },
         true},
        {"/dev/zero", [](Path file, Path) { create_symlink("/dev/zero", file); }, false},
        {"a FIFO", [](Path file, Path) { EXPECT_EQ(mkfifo(file.c_str(), 0600), 0); }, false}};
    for (const auto& [what, make, opened] : cases) {
        TempDir dir;
        make(dir.path() / "deck1.ini", dir.write("settings", settingsText({{6, "3"}})));
        make(dir.path() / "styles.ini", dir.write("genres", "Blues\nM\xFAsica\n"));
        const long long before = bytesRead();
        const ConfigResult result = readConfig(QString::fromStdString(dir.path().string()), "1");
        EXPECT_LT(bytesRead() - before, 4 << 20) << what;
        EXPECT_EQ(result.settingsFileOpened, opened) << what;
        EXPECT_EQ(result.settings.soundDevice, opened ? 3 : 0) << what;
        ASSERT_EQ(result.genreNames.size(), kGenreCount) << what;
        const QStringList genres = opened ? QStringList{"Blues", u"Música"_qs} : QStringList(2);
        EXPECT_EQ(result.genreNames.first(2), genres) << what;
    }
}

// Both decks start with the demo folder.
TEST(ShippedDefaultsTest, BothDecksStartInTheDemoFolder) {
    for (const char* deck : {"1", "2"}) {
        const ConfigResult result = readConfig(LUMA_TEST_DATA "/../../data", deck);
        ASSERT_TRUE(result.settingsFileOpened) << deck;
        EXPECT_TRUE(result.settings.showBpm);
        EXPECT_EQ(result.settings.musicFolder, "demo");
    }
}

}  // namespace
}  // namespace luma::test
