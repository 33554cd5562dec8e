// Names that are not UTF-8 on disk: kept byte for byte, shown as Windows-1252,
// listed by the browser and opened by the tag reader.
#include "loading/file_names.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "loading/file_list.h"
#include "loading/folder_list.h"
#include "loading/id3v1_tag.h"
#include "loading/paths.h"
#include "support/temp_dir.h"

namespace luma {
namespace {

TEST(FileNamesTest, EveryByteSequenceSurvivesTheRoundTrip) {
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
    EXPECT_EQ(decodeFileName(cases[2]), QString::fromUtf8(cases[2]));
    EXPECT_EQ(displayFileName(decodeFileName("caf\xe9 \x80\x96")), QString::fromUtf8("café €–"));
    EXPECT_EQ(displayFileName(decodeFileName(cases[2])), QString::fromUtf8(cases[2]));
}

TEST(FileNamesTest, BrowserListsAndOpensNamesInAnOldCodePage) {
    test::TempDir dir;
    const std::string latinFolder = "Caf\xe9";  // "Café" as an old player wrote it
    const std::string latinFile = "Ni\xf1o 124.mp3";
    std::filesystem::create_directory(dir.path() / latinFolder);
    const std::string record = "TAGTitle" + std::string(120, '\0');
    dir.write(latinFolder + "/" + latinFile, std::string(1000, '\x55') + record);
    const QString root = decodeFileName(QByteArray::fromStdString(dir.path().string()));

    FolderList folders;
    ASSERT_TRUE(folders.setPath(root));
    const int last = folders.count() - 1;
    EXPECT_EQ(folders.item(last)->text().trimmed(), QString::fromUtf8("Café"));
    emit folders.itemDoubleClicked(folders.item(last));
    const QString folder = folders.path();
    EXPECT_EQ(encodeFileName(folder).toStdString(), (dir.path() / latinFolder).string());
    EXPECT_EQ(folders.item(folders.count() - 1)->text().trimmed(), QString::fromUtf8("Café"))
        << "the open folder, last of its ancestors";

    FileList files;
    files.setPattern("*.mp3");
    ASSERT_TRUE(files.setPath(folder));
    ASSERT_EQ(files.count(), 1);
    EXPECT_EQ(files.item(0)->text(), QString::fromUtf8("Niño 124.mp3"));
    files.setCurrentRow(0);
    const QString path = folder + "/" + files.fileName();
    EXPECT_TRUE(FileExists(path));
    Id3v1Tag tag;
    ASSERT_TRUE(ReadID3Tag(path, tag));
    EXPECT_EQ(tag.title.left(5), "Title") << "read from the file the listing named";
}

}  // namespace
}  // namespace luma
