// ID3v1 tags (the captions made from them, the title with its padding: TrackLoadingTest).
#include "loading/id3v1_tag.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace luma {
namespace {

// Fields padded to their width, the album with NULs, the comment with ID3v1.1's track.
QByteArray tagRecord(const QByteArray& marker, uint8_t genre) {
    return marker + QByteArray("Hello").leftJustified(30) +
           QByteArray("Caf\xe9 \x80 Band").leftJustified(30) +
           QByteArray("Album").leftJustified(30, '\0') + "2026" +
           QByteArray("Comment").leftJustified(29, '\0') + '\x07' + static_cast<char>(genre);
}

// The last 128 bytes, if they start with TAG: each field to its first NUL, blanks kept.
TEST(Id3v1TagTest, ReadsTheFieldsOfExactlyATag) {
    test::TempDir dir;
    Id3v1Tag tag;
    const auto read = [&](const QByteArray& bytes) {
        return ReadID3Tag(QString::fromStdString(dir.write("t.mp3", bytes.toStdString())), tag);
    };
    ASSERT_TRUE(read(QByteArray(5000, 'x') + tagRecord("TAG", 255)));
    EXPECT_EQ(tag.artist.left(11), QString::fromUtf8("Café € Band")) << "Windows-1252";
    EXPECT_EQ(tag.album, "Album");
    EXPECT_EQ(tag.year, "2026");
    EXPECT_EQ(tag.comment, "Comment") << "the track number after the NUL left out";
    EXPECT_EQ(tag.genre, 255);

    EXPECT_TRUE(read(tagRecord("TAG", 1))) << "128 bytes";
    EXPECT_FALSE(read(tagRecord("tag", 1))) << "marker is case-sensitive";
    EXPECT_FALSE(read(tagRecord("TAG", 1).left(127)));
    EXPECT_FALSE(ReadID3Tag(QString::fromStdString(dir.file("missing.mp3")), tag));
    EXPECT_FALSE(ReadID3Tag(QString::fromStdString(dir.path().string()), tag)) << "a folder";
}

}  // namespace
}  // namespace luma
