// The items of the deck's plain-text files.
#include "settings/item_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "qt_print.h"
#include "support/temp_dir.h"

namespace luma::test {
namespace {

TEST(ItemReaderTest, SplitsOnCommasQuotesAndLineEnds) {
    const std::pair<const char*, std::vector<QString>> cases[] = {
        {" \t ON\n  a b \n", {"ON", "a b "}},  // leading blanks skipped, trailing kept
        // A quoted item keeps its commas and drops the tail up to the next comma.
        {"  \"a, b\"junk\n\"x\" tail,next\n", {"a, b", "x", "next"}},
        {"a,b, c\nd\n", {"a", "b", "c", "d"}},  // an unquoted comma splits the line
        {"a,\nb", {"a", "", "b"}},
        {"a\r\n\r\nb\rc", {"a", "", "b", "c"}},  // empty lines are items; Windows line ends
        {"\"open, still\nnext\n", {"open, still", "next"}},  // an open quote ends at the line end
        {"\xEF\xBB\xBFM\xC3\xBCsik\n", {u"Müsik"_qs}},       // UTF-8, its mark dropped
    };
    TempDir dir;
    for (const auto& [text, expected] : cases) {
        ItemReader reader(QString::fromStdString(dir.write("items.txt", text)), 10);
        std::vector<QString> items;
        while (auto item = reader.next()) items.push_back(*item);
        EXPECT_EQ(items, expected) << text;
    }
}

}  // namespace
}  // namespace luma::test
