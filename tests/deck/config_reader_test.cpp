#include "deck/config_reader.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "deck/item_reader.h"
#include "support/temp_dir.h"

namespace luma {
namespace {

QString folderOf(const test::TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

void writeFile(const test::TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name), std::ios::binary) << text;
}

std::vector<QString> readAll(const test::TempDir& dir, const std::string& text) {
    writeFile(dir, "items.txt", text);
    ItemReader reader(QString::fromStdString(dir.file("items.txt")));
    std::vector<QString> items;
    while (auto item = reader.next()) items.push_back(*item);
    return items;
}

// A settings file whose line k holds lines[k]; the other lines up to 38 hold "0".
std::string settingsText(std::map<int, std::string> lines) {
    std::string text;
    for (int line = 1; line <= 38; ++line)
        text += (lines.count(line) ? lines[line] : std::string("0")) + "\n";
    return text;
}

// --- Items ---------------------------------------------------------------------

TEST(ItemReaderTest, LeadingBlanksAreSkippedTrailingKept) {
    test::TempDir dir;
    EXPECT_EQ(readAll(dir, " \t ON\n  a b \n"), (std::vector<QString>{"ON", "a b "}));
}

TEST(ItemReaderTest, QuotedItemKeepsCommasAndDropsTheTailUpToTheComma) {
    test::TempDir dir;
    EXPECT_EQ(readAll(dir, "  \"a, b\"junk\n\"x\" tail,next\n"),
              (std::vector<QString>{"a, b", "x", "next"}));
}

TEST(ItemReaderTest, UnquotedCommaSplitsTheLine) {
    test::TempDir dir;
    EXPECT_EQ(readAll(dir, "a,b, c\nd\n"), (std::vector<QString>{"a", "b", "c", "d"}));
    EXPECT_EQ(readAll(dir, "a,\nb"), (std::vector<QString>{"a", "", "b"}));
    EXPECT_EQ(readAll(dir, "a,"), (std::vector<QString>{"a", ""}));
}

TEST(ItemReaderTest, EmptyLinesAreEmptyItemsAndLineEndingsMayBeWindowsOnes) {
    test::TempDir dir;
    EXPECT_EQ(readAll(dir, "a\r\n\r\nb\rc"), (std::vector<QString>{"a", "", "b", "c"}));
}

TEST(ItemReaderTest, UnclosedQuoteStopsAtTheLineEnd) {
    test::TempDir dir;
    EXPECT_EQ(readAll(dir, "\"open, still\nnext\n"), (std::vector<QString>{"open, still", "next"}));
}

TEST(ItemReaderTest, ReadingPastTheEndFailsAndKeepsFailing) {
    test::TempDir dir;
    writeFile(dir, "one.txt", "only\n");
    ItemReader reader(QString::fromStdString(dir.file("one.txt")));
    EXPECT_EQ(reader.next(), QString("only"));
    EXPECT_EQ(reader.next(), std::nullopt);
    EXPECT_EQ(reader.nextOrEmpty(), QString());
}

TEST(ItemReaderTest, TextIsUtf8OrElseLatin1) {
    test::TempDir dir;
    EXPECT_EQ(readAll(dir, "\xEF\xBB\xBFM\xC3\xBCsik\n"), (std::vector<QString>{u"Müsik"_qs}));
    EXPECT_EQ(readAll(dir, "M\xFCsik\n"), (std::vector<QString>{u"Müsik"_qs}));
}

TEST(ItemReaderTest, MissingFileIsNotOpenedAndHasNoItems) {
    ItemReader reader("/nonexistent/deck1.ini");
    EXPECT_FALSE(reader.opened());
    EXPECT_EQ(reader.next(), std::nullopt);
}

// --- Numbers -------------------------------------------------------------------

TEST(SettingNumberTest, ReadsTheLeadingNumericPart) {
    EXPECT_EQ(readSettingNumber("12abc"), 12);
    EXPECT_EQ(readSettingNumber("  -7"), -7);
    EXPECT_EQ(readSettingNumber("+3"), 3);
    EXPECT_EQ(readSettingNumber("abc"), 0);
    EXPECT_EQ(readSettingNumber(""), 0);
    EXPECT_EQ(readSettingNumber("-"), 0);
    EXPECT_EQ(readSettingNumber("1e3"), 1);
}

TEST(SettingNumberTest, HalvesRoundToEven) {
    EXPECT_EQ(readSettingNumber("2.5"), 2);
    EXPECT_EQ(readSettingNumber("3.5"), 4);
    EXPECT_EQ(readSettingNumber("-2.5"), -2);
    EXPECT_EQ(readSettingNumber("-3.5"), -4);
    EXPECT_EQ(readSettingNumber(".5"), 0);
    EXPECT_EQ(readSettingNumber("0.5000"), 0);
}

TEST(SettingNumberTest, OtherFractionsRoundToNearest) {
    EXPECT_EQ(readSettingNumber("2.4999"), 2);
    EXPECT_EQ(readSettingNumber("2.5000000000000000001"), 3);
    EXPECT_EQ(readSettingNumber("2.6"), 3);
    EXPECT_EQ(readSettingNumber("-1.7"), -2);
    EXPECT_EQ(readSettingNumber("4."), 4);
}

TEST(SettingNumberTest, OutOfRangeSaturates) {
    EXPECT_EQ(readSettingNumber("32767"), 32767);
    EXPECT_EQ(readSettingNumber("32767.5"), 32767);
    EXPECT_EQ(readSettingNumber("40000"), 32767);
    EXPECT_EQ(readSettingNumber("-32768"), -32768);
    EXPECT_EQ(readSettingNumber("-99999999999999999999999"), -32768);
}

// --- Settings ------------------------------------------------------------------

TEST(ReadConfigTest, DeckOneTakesTheFirstOfEachPair) {
    test::TempDir dir;
    writeFile(dir, "deck1.ini",
              settingsText({{1, "ON"},
                            {3, "ON"},
                            {4, "ON"},
                            {6, "3"},
                            {7, "5"},
                            {8, "Pad A"},
                            {9, "Pad B"},
                            {36, "/music"},
                            {37, "0"},
                            {38, "1"}}));
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_TRUE(result.settingsFileOpened);
    EXPECT_TRUE(result.settings.showBpm);
    EXPECT_TRUE(result.settings.joystickTimer);
    EXPECT_EQ(result.settings.touchMode, 1);
    EXPECT_EQ(result.settings.soundDevice, 3);
    EXPECT_EQ(result.settings.midiDeviceName, "Pad A");
    EXPECT_EQ(result.settings.musicFolder, "/music");
    EXPECT_EQ(result.settings.joystickNumber, "0");
}

TEST(ReadConfigTest, AnyOtherDeckTakesTheSecondOfEachPair) {
    test::TempDir dir;
    const std::string text =
        settingsText({{6, "3"}, {7, "5"}, {8, "Pad A"}, {9, "Pad B"}, {37, "0"}, {38, "1"}});
    for (const char* deck : {"2", "3"}) {
        writeFile(dir, std::string("deck") + deck + ".ini", text);
        const ConfigResult result = readConfig(folderOf(dir), deck);
        EXPECT_EQ(result.settings.soundDevice, 5) << deck;
        EXPECT_EQ(result.settings.midiDeviceName, "Pad B") << deck;
        EXPECT_EQ(result.settings.joystickNumber, "1") << deck;
    }
}

TEST(ReadConfigTest, OnlyExactOnSwitchesOn) {
    test::TempDir dir;
    writeFile(dir, "deck1.ini", settingsText({{1, "on"}, {3, "On"}, {4, "ON "}}));
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_FALSE(result.settings.showBpm);
    EXPECT_FALSE(result.settings.joystickTimer);
    EXPECT_EQ(result.settings.touchMode, 0);
}

TEST(ReadConfigTest, SoundDeviceIsRoundedHalfToEven) {
    test::TempDir dir;
    writeFile(dir, "deck1.ini", settingsText({{6, "2.5"}, {7, "3.5"}}));
    EXPECT_EQ(readConfig(folderOf(dir), "1").settings.soundDevice, 2);
    writeFile(dir, "deck2.ini", settingsText({{6, "2.5"}, {7, "3.5"}}));
    EXPECT_EQ(readConfig(folderOf(dir), "2").settings.soundDevice, 4);
}

TEST(ReadConfigTest, UnquotedCommaInTheMusicFolderShiftsTheJoysticks) {
    test::TempDir dir;
    writeFile(dir, "deck1.ini", settingsText({{36, "/mnt/a,b"}, {37, "7"}, {38, "8"}}));
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_EQ(result.settings.musicFolder, "/mnt/a");
    EXPECT_EQ(result.settings.joystickNumber, "b");

    writeFile(dir, "deck2.ini", settingsText({{36, "/mnt/a,b"}, {37, "7"}, {38, "8"}}));
    EXPECT_EQ(readConfig(folderOf(dir), "2").settings.joystickNumber, "7");
}

TEST(ReadConfigTest, QuotedMusicFolderKeepsItsComma) {
    test::TempDir dir;
    writeFile(dir, "deck1.ini", settingsText({{36, "\"/mnt/a,b\""}, {37, "7"}}));
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_EQ(result.settings.musicFolder, "/mnt/a,b");
    EXPECT_EQ(result.settings.joystickNumber, "7");
}

TEST(ReadConfigTest, MissingSettingsFileIsReportedAndGivesDefaults) {
    test::TempDir dir;
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_FALSE(result.settingsFileOpened);
    EXPECT_FALSE(result.settings.showBpm);
    EXPECT_FALSE(result.settings.joystickTimer);
    EXPECT_EQ(result.settings.touchMode, 0);
    EXPECT_EQ(result.settings.soundDevice, 0);
    EXPECT_TRUE(result.settings.midiDeviceName.isEmpty());
    EXPECT_TRUE(result.settings.musicFolder.isEmpty());
    EXPECT_TRUE(result.settings.joystickNumber.isEmpty());
    EXPECT_EQ(result.genreNames.size(), kGenreCount);
}

TEST(ReadConfigTest, ShortFileLeavesTheRestEmpty) {
    test::TempDir dir;
    writeFile(dir, "deck2.ini", "ON\n0\nON\n0\n0\n0\n4");
    const ConfigResult result = readConfig(folderOf(dir), "2");
    EXPECT_TRUE(result.settingsFileOpened);
    EXPECT_TRUE(result.settings.showBpm);
    EXPECT_TRUE(result.settings.joystickTimer);
    EXPECT_EQ(result.settings.soundDevice, 4);
    EXPECT_TRUE(result.settings.midiDeviceName.isEmpty());
    EXPECT_TRUE(result.settings.musicFolder.isEmpty());
    EXPECT_TRUE(result.settings.joystickNumber.isEmpty());
}

// --- Genres --------------------------------------------------------------------

TEST(ReadConfigTest, ShortStylesFileFillsTheRestWithEmptyNames) {
    test::TempDir dir;
    writeFile(dir, "styles.ini", "Blues\n\"Rock, Hard\"\nCountry\n");
    const ConfigResult result = readConfig(folderOf(dir), "1");
    ASSERT_EQ(result.genreNames.size(), kGenreCount);
    EXPECT_EQ(result.genreNames[0], "Blues");
    EXPECT_EQ(result.genreNames[1], "Rock, Hard");
    EXPECT_EQ(result.genreNames[2], "Country");
    EXPECT_TRUE(result.genreNames[3].isEmpty());
    EXPECT_TRUE(result.genreNames[255].isEmpty());
}

TEST(ReadConfigTest, MissingStylesFileGivesEmptyNamesSilently) {
    test::TempDir dir;
    writeFile(dir, "deck1.ini", settingsText({}));
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_TRUE(result.settingsFileOpened);
    ASSERT_EQ(result.genreNames.size(), kGenreCount);
    for (const QString& name : result.genreNames) EXPECT_TRUE(name.isEmpty());
}

// --- Shipped defaults ----------------------------------------------------------

// The files a fresh install starts with, read from the source tree.
QString shippedDataFolder() {
    const std::filesystem::path repository =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    return QString::fromStdString((repository / "data").string());
}

TEST(ShippedDefaultsTest, BothDecksStartWithTheDemoFolder) {
    for (const char* deck : {"1", "2"}) {
        const ConfigResult result = readConfig(shippedDataFolder(), deck);
        ASSERT_TRUE(result.settingsFileOpened) << deck;
        EXPECT_TRUE(result.settings.showBpm);
        EXPECT_FALSE(result.settings.joystickTimer);
        EXPECT_EQ(result.settings.touchMode, 0);
        EXPECT_EQ(result.settings.soundDevice, 0);
        EXPECT_TRUE(result.settings.midiDeviceName.isEmpty());
        EXPECT_EQ(result.settings.musicFolder, "demo");
        EXPECT_EQ(result.settings.joystickNumber, deck == std::string("1") ? "0" : "1");
    }
}

TEST(ShippedDefaultsTest, GenreNamesFollowTheId3Numbering) {
    const QStringList names = readConfig(shippedDataFolder(), "1").genreNames;
    ASSERT_EQ(names.size(), kGenreCount);
    EXPECT_EQ(names[0], "Blues");
    EXPECT_EQ(names[17], "Rock");
    EXPECT_EQ(names[80], "Folk");
    EXPECT_EQ(names[147], "Synthpop");
    EXPECT_EQ(names[191], "Psybient");
    EXPECT_EQ(names[192], "Unknown");
    EXPECT_EQ(names[255], "Unknown");
}

// --- MIDI device lookup ---------------------------------------------------------

TEST(FindMidiDeviceTest, LastExactMatchWins) {
    const QStringList devices{"Pad", "Keys", "Pad", "Pad 2"};
    EXPECT_EQ(findMidiDevice("Pad", devices), 2);
    EXPECT_EQ(findMidiDevice("Keys", devices), 1);
    EXPECT_EQ(findMidiDevice("pad", devices), -1);
    EXPECT_EQ(findMidiDevice("", devices), -1);
    EXPECT_EQ(findMidiDevice("Pad", {}), -1);
}

}  // namespace
}  // namespace luma
