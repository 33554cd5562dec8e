// The mapping file's lines: each good one read into its binding, each bad
// one skipped with its line and reason while the rest still count.
#include "remote/mapping_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace luma::test {
namespace {

// (Bindings at work: MidiMapperTest; key lines: FrmMainTest.TheUsersMappingWins...)
TEST(MappingFileTest, GoodLinesBecomeBindings) {
    const Mapping mapping = parseMapping(
        "# a comment, then a blank line\n"
        "\n"
        "midi-out \"Deck Controller MIDI 1\"   # the lamps' port\n"
        "\tcc 16 127 sync\r\n"
        "lamp play cc 1 16\n"
        "lamp activity note 1 60",
        "m.conf");
    EXPECT_TRUE(mapping.problems.empty()) << mapping.problems[0].why;
    EXPECT_EQ(mapping.lampPort, "Deck Controller MIDI 1");
    ASSERT_EQ(mapping.commands.size(), 1u);
    EXPECT_EQ(mapping.commands[0].address, (MidiAddress{MidiKind::ControlChange, 16, 127}));
    EXPECT_EQ(mapping.commands[0].command, DeckCommand::Sync);
    ASSERT_EQ(mapping.lamps.size(), 2u);
    EXPECT_EQ(mapping.lamps[0].lamp, Lamp::Play);
    EXPECT_EQ(mapping.lamps[1].address, (MidiAddress{MidiKind::Note, 1, 60}));
}

TEST(MappingFileTest, BadLinesAreSkippedWithTheirReason) {
    const struct {
        const char* line;
        const char* why;  // a part of the reason given
    } cases[] = {
        {"cc 0 16 stop", "channel \"0\" is not 1 to 16"},
        {"cc 17 16 stop", "channel \"17\""},
        {"cc 1 128 stop", "number \"128\" is not 0 to 127"},
        {"cc 1 16", "nothing to bind"},
        {"cc 1", "too few words"},
        {"cc 1 16 stop sometimes", "only \"any\""},
        {"cc 1 16/17 stop", "a command takes one number"},
        {"cc 1 44/200 pitch", "the LSB's number"},
        {"cc 1 44/44 pitch", "the same controller"},
        {"note 1 44 pitch", "a control moves by cc"},
        {"cc 1 60 jog", "jog is a relative encoder"},
        {"cc 1 60/61 jog relative", "not a pair"},
        {"cc 1 45 gain relative", "unexpected \"relative\""},
        {"cc 1 45 gain any extra", "unexpected \"extra\""},
        {"pc 1 16 stop", "\"pc\" is not a kind of line"},
        {"key Space", "key takes a key and a command"},
        {"key F1 dance", "\"dance\" is not a command"},
        {"lamp disco cc 1 16", "\"disco\" is not a lamp"},
        {"lamp play cc 1 16/17", "only for a control's 14 bits"},
        {"lamp play sysex 1 16", "neither cc nor note"},
        {"midi-out \"Port", "no closing \""},
        {"midi-out", "midi-out takes one port name"},
        {"midi-out B", "a second midi-out"},
    };
    std::string text = "cc 1 16 stop\nmidi-out A\n";  // good lines first: they still count
    for (const auto& c : cases) text += std::string(c.line) + "\n";
    const Mapping mapping = parseMapping(text, "bad.conf");
    EXPECT_EQ(mapping.commands.size(), 1u);
    EXPECT_EQ(mapping.lampPort, "A");
    ASSERT_EQ(mapping.problems.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const MappingProblem& problem = mapping.problems[i];
        EXPECT_EQ(problem.file, "bad.conf");
        EXPECT_EQ(problem.line, static_cast<int>(i) + 3) << cases[i].line;
        EXPECT_NE(problem.why.find(cases[i].why), std::string::npos)
            << cases[i].line << " gave: " << problem.why;
    }

    // A file that is not there, and a folder.
    TempDir dir;
    for (const std::string& unreadable :
         {(dir.path() / "none.conf").string(), dir.path().string()}) {
        const Mapping none = readMappingFile(unreadable);
        ASSERT_EQ(none.problems.size(), 1u) << unreadable;
        EXPECT_EQ(none.problems[0].file, unreadable);
        EXPECT_EQ(none.problems[0].why, "the file cannot be read");
    }
}

}  // namespace
}  // namespace luma::test
