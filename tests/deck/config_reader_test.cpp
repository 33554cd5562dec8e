#include "deck/config_reader.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "deck/item_reader.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace luma {
namespace {

QString folderOf(const test::TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

std::vector<QString> readAll(const test::TempDir& dir, const std::string& text) {
    ItemReader reader(QString::fromStdString(dir.write("items.txt", text)));
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

TEST(ItemReaderTest, SplitsOnCommasQuotesAndLineEnds) {
    struct Case {
        const char* text;
        std::vector<QString> items;
    };
    const Case cases[] = {
        {" \t ON\n  a b \n", {"ON", "a b "}},  // leading blanks skipped, trailing kept
        // A quoted item keeps its commas and drops the tail up to the next comma.
        {"  \"a, b\"junk\n\"x\" tail,next\n", {"a, b", "x", "next"}},
        {"a,b, c\nd\n", {"a", "b", "c", "d"}},  // an unquoted comma splits the line
        {"a,\nb", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {"a\r\n\r\nb\rc", {"a", "", "b", "c"}},  // empty lines are items; Windows line ends
        {"\"open, still\nnext\n", {"open, still", "next"}},  // an open quote ends at the line end
        {"\xEF\xBB\xBFM\xC3\xBCsik\n", {u"Müsik"_qs}},       // UTF-8...
        {"M\xFCsik\n", {u"Müsik"_qs}},                       // ...or else Latin-1
    };
    test::TempDir dir;
    for (const Case& c : cases) EXPECT_EQ(readAll(dir, c.text), c.items) << c.text;
}

TEST(ItemReaderTest, ReadingPastTheEndOrAMissingFileGivesNothing) {
    test::TempDir dir;
    ItemReader reader(QString::fromStdString(dir.write("one.txt", "only\n")));
    EXPECT_EQ(reader.next(), QString("only"));
    EXPECT_EQ(reader.next(), std::nullopt);
    EXPECT_EQ(reader.nextOrEmpty(), QString());
    ItemReader missing("/nonexistent/deck1.ini");
    EXPECT_FALSE(missing.opened());
    EXPECT_EQ(missing.next(), std::nullopt);
}

// --- Numbers -------------------------------------------------------------------

// The leading numeric part; halves round to even, other fractions to the
// nearest; out of range saturates.
TEST(SettingNumberTest, LeadingNumberRoundedHalfToEvenAndSaturated) {
    const std::pair<const char*, int> cases[] = {
        {"12abc", 12},      {"  -7", -7}, {"+3", 3},        {"abc", 0},       {"", 0},
        {"-", 0},           {"1e3", 1},   {"2.5", 2},       {"3.5", 4},       {"-2.5", -2},
        {"-3.5", -4},       {".5", 0},    {"0.5000", 0},    {"2.4999", 2},    {"2.6", 3},
        {"-1.7", -2},       {"4.", 4},    {"32767", 32767}, {"40000", 32767}, {"-32768", -32768},
        {"32767.5", 32767},
    };
    for (auto [text, value] : cases) EXPECT_EQ(readSettingNumber(text), value) << text;
    EXPECT_EQ(readSettingNumber("2.5000000000000000001"), 3);
    EXPECT_EQ(readSettingNumber("-99999999999999999999999"), -32768);
}

// --- Settings ------------------------------------------------------------------

// Deck 1 takes the first of each pair of lines, any other deck the second;
// the device number is rounded half to even.
TEST(ReadConfigTest, EachDeckTakesItsOwnOfEachPair) {
    test::TempDir dir;
    const std::string text = settingsText({{1, "ON"},
                                           {3, "ON"},
                                           {4, "ON"},
                                           {6, "2.5"},
                                           {7, "3.5"},
                                           {8, "Pad A"},
                                           {9, "Pad B"},
                                           {36, "/music"},
                                           {37, "0"},
                                           {38, "1"}});
    for (auto [deck, device, midi, joystick] :
         {std::tuple{"1", 2, "Pad A", "0"}, {"2", 4, "Pad B", "1"}, {"3", 4, "Pad B", "1"}}) {
        SCOPED_TRACE(deck);
        dir.write(std::string("deck") + deck + ".ini", text);
        const ConfigResult result = readConfig(folderOf(dir), deck);
        EXPECT_TRUE(result.settingsFileOpened);
        EXPECT_TRUE(result.settings.showBpm);
        EXPECT_TRUE(result.settings.joystickTimer);
        EXPECT_EQ(result.settings.touchMode, 1);
        EXPECT_EQ(result.settings.soundDevice, device);
        EXPECT_EQ(result.settings.midiDeviceName, midi);
        EXPECT_EQ(result.settings.musicFolder, "/music");
        EXPECT_EQ(result.settings.joystickNumber, joystick);
    }
}

// An installed program folder is read-only: the user's own copy wins.
TEST(ReadConfigTest, UsersOwnSettingsFileWinsOverTheProgramFolders) {
    test::TempDir program, config;
    program.write("deck1.ini", settingsText({{6, "1"}}));
    std::filesystem::create_directory(config.path() / "lumatrone");
    const test::ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    EXPECT_EQ(readConfig(folderOf(program), "1").settings.soundDevice, 1);
    config.write("lumatrone/deck1.ini", settingsText({{6, "3"}}));
    EXPECT_EQ(readConfig(folderOf(program), "1").settings.soundDevice, 3);
    EXPECT_EQ(readConfig(folderOf(program), "2").settings.soundDevice, 0) << "deck 2 has none";
}

TEST(ReadConfigTest, OnlyExactOnSwitchesOn) {
    test::TempDir dir;
    dir.write("deck1.ini", settingsText({{1, "on"}, {3, "On"}, {4, "ON "}}));
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_FALSE(result.settings.showBpm);
    EXPECT_FALSE(result.settings.joystickTimer);
    EXPECT_EQ(result.settings.touchMode, 0);
}

TEST(ReadConfigTest, UnquotedCommaInTheMusicFolderShiftsTheJoysticksQuotedOneDoesNot) {
    test::TempDir dir;
    for (const char* deck : {"1", "2"}) {
        dir.write(std::string("deck") + deck + ".ini",
                  settingsText({{36, "/mnt/a,b"}, {37, "7"}, {38, "8"}}));
    }
    const ConfigResult result = readConfig(folderOf(dir), "1");
    EXPECT_EQ(result.settings.musicFolder, "/mnt/a");
    EXPECT_EQ(result.settings.joystickNumber, "b");
    EXPECT_EQ(readConfig(folderOf(dir), "2").settings.joystickNumber, "7");

    dir.write("deck1.ini", settingsText({{36, "\"/mnt/a,b\""}, {37, "7"}}));
    const ConfigResult quoted = readConfig(folderOf(dir), "1");
    EXPECT_EQ(quoted.settings.musicFolder, "/mnt/a,b");
    EXPECT_EQ(quoted.settings.joystickNumber, "7");
}

// A missing styles file is no error: all names are empty; a short one
// fills the rest with empty names.
TEST(ReadConfigTest, MissingOrShortFilesLeaveTheRestEmpty) {
    test::TempDir dir;
    const ConfigResult missing = readConfig(folderOf(dir), "1");
    EXPECT_FALSE(missing.settingsFileOpened);
    EXPECT_FALSE(missing.settings.showBpm);
    EXPECT_EQ(missing.settings.soundDevice, 0);
    dir.write("deck2.ini", "ON\n0\nON\n0\n0\n0\n4");
    dir.write("styles.ini", "Blues\n\"Rock, Hard\"\n");
    const ConfigResult shortFile = readConfig(folderOf(dir), "2");
    EXPECT_TRUE(shortFile.settingsFileOpened);
    EXPECT_TRUE(shortFile.settings.joystickTimer);
    EXPECT_EQ(shortFile.settings.soundDevice, 4);
    for (const ConfigResult& result : {missing, shortFile}) {
        EXPECT_TRUE(result.settings.midiDeviceName.isEmpty());
        EXPECT_TRUE(result.settings.musicFolder.isEmpty());
        EXPECT_TRUE(result.settings.joystickNumber.isEmpty());
        ASSERT_EQ(result.genreNames.size(), kGenreCount);
        EXPECT_TRUE(result.genreNames[255].isEmpty());
    }
    EXPECT_EQ(shortFile.genreNames.mid(0, 3), (QStringList{"Blues", "Rock, Hard", ""}));
    EXPECT_TRUE(missing.genreNames[0].isEmpty());
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
        EXPECT_EQ(result.settings.musicFolder, "demo");
        EXPECT_EQ(result.settings.joystickNumber, deck == std::string("1") ? "0" : "1");
    }
}

TEST(ShippedDefaultsTest, GenreNamesFollowTheId3Numbering) {
    const QStringList names = readConfig(shippedDataFolder(), "1").genreNames;
    ASSERT_EQ(names.size(), kGenreCount);
    const std::pair<int, const char*> cases[] = {
        {0, "Blues"},      {17, "Rock"},     {80, "Folk"},     {147, "Synthpop"},
        {191, "Psybient"}, {192, "Unknown"}, {255, "Unknown"},
    };
    for (auto [id, name] : cases) EXPECT_EQ(names[id], name) << id;
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
