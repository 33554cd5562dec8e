// Names not UTF-8 on disk: kept byte for byte and shown as Windows-1252 (a folder so
// named opens: FolderListTest; a file plays: EngineDeckTest.ShowsThePreGainTheTempo...).
#include "loading/file_names.h"

#include <gtest/gtest.h>

namespace luma {
namespace {

TEST(FileNamesTest, EveryByteSequenceSurvivesTheRoundTripAndShowsAsWindows1252) {
    const QByteArray cases[] = {
        "plain.mp3",
        "Caf\xc3\xa9 del Mar.mp3",     // UTF-8
        "\xf0\x9f\x92\x80 skull.mp3",  // U+1F480: its low surrogate lies in the escape range
        "caf\xe9.mp3",                 // Latin-1
        "\xe2\x82",                    // a cut-off sequence
        "\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \x80\xff",  // overlong, surrogate, too high, strays
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toHex().constData());
        EXPECT_EQ(encodeFileName(decodeFileName(bytes)), bytes);
    }
    EXPECT_EQ(decodeFileName(cases[1]), QString::fromUtf8(cases[1])) << "UTF-8 reads as itself";
    EXPECT_EQ(displayFileName(decodeFileName("caf\xe9 \x80\x96")), QString::fromUtf8("café €–"));
    EXPECT_EQ(displayFileName(decodeFileName(cases[2])), QString::fromUtf8(cases[2]));
}

}  // namespace
}  // namespace luma
