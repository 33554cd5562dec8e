// Reading the ID3v1 tag. (The captions made from it are TrackLoadingTest's.)
#include "loading/id3v1_tag.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace luma {
namespace {

QByteArray field(const QByteArray& text, int width, char pad = ' ') {
    QByteArray f = text.left(width);
    f.append(QByteArray(width - f.size(), pad));
    return f;
}

QByteArray tagRecord(const QByteArray& marker, uint8_t genre) {
    return marker + field("Hello", 30) + field("Caf\xe9 \x80 Band", 30) + field("Album", 30, '\0') +
           "2026" + field("Comment", 30) + QByteArray(1, static_cast<char>(genre));
}

class Id3v1TagTest : public ::testing::Test {
  protected:
    QString write(const std::string& name, const QByteArray& bytes) {
        return QString::fromStdString(dir.write(name, bytes.toStdString()));
    }
    test::TempDir dir;
};

TEST_F(Id3v1TagTest, ReadsFieldsAtFullWidthFromTheLastBytes) {
    Id3v1Tag tag;
    ASSERT_TRUE(ReadID3Tag(write("a.mp3", QByteArray(5000, 'x') + tagRecord("TAG", 255)), tag));
    EXPECT_EQ(tag.title, "Hello" + QString(25, ' ')) << "padding kept";
    EXPECT_EQ(tag.artist.left(11), QString::fromUtf8("Café € Band")) << "Windows-1252";
    EXPECT_EQ(tag.album.size(), 30);
    EXPECT_EQ(tag.year, "2026");
    EXPECT_EQ(tag.genre, 255);
}

TEST_F(Id3v1TagTest, ExactlyATagIsReadAndAnythingElseIsNone) {
    Id3v1Tag tag;
    EXPECT_TRUE(ReadID3Tag(write("only.mp3", tagRecord("TAG", 1)), tag)) << "128 bytes";
    EXPECT_FALSE(ReadID3Tag(write("lower.mp3", tagRecord("tag", 1)), tag))
        << "marker is case-sensitive";
    EXPECT_FALSE(ReadID3Tag(write("short.mp3", tagRecord("TAG", 1).left(127)), tag));
    EXPECT_FALSE(ReadID3Tag(write("none.mp3", QByteArray(400, 'x')), tag));
    EXPECT_FALSE(ReadID3Tag(QString::fromStdString(dir.file("missing.mp3")), tag));
    EXPECT_FALSE(ReadID3Tag(QString::fromStdString(dir.path().string()), tag)) << "a folder";
}

}  // namespace
}  // namespace luma
