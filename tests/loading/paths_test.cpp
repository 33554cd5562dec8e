#include "loading/paths.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QString>
#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace luma {
namespace {

class FileExistsTest : public ::testing::Test {
  protected:
    QString path(const std::string& name) const { return QString::fromStdString(dir_.file(name)); }
    void makeFile(const std::string& name) { std::ofstream(dir_.file(name)) << "x"; }

    test::TempDir dir_;
};

TEST_F(FileExistsTest, NormalFileByExactName) {
    makeFile("song.mp3");
    EXPECT_TRUE(FileExists(path("song.mp3")));
    EXPECT_FALSE(FileExists(path("song.mp")));
}

TEST_F(FileExistsTest, FolderIsNotAFile) {
    std::filesystem::create_directory(dir_.path() / "music");
    EXPECT_FALSE(FileExists(path("music")));
    EXPECT_FALSE(FileExists(path("mus*")));
}

TEST_F(FileExistsTest, HiddenFileIsNotFound) {
    makeFile(".hidden");
    EXPECT_FALSE(FileExists(path(".hidden")));
}

TEST_F(FileExistsTest, FifoAndSocketAreNotNormalFiles) {
    ASSERT_EQ(::mkfifo(dir_.file("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(FileExists(path("pipe")));
    EXPECT_FALSE(FileExists(path("pi?e")));

    const std::string socketPath = dir_.file("sock");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    socketPath.copy(address.sun_path, socketPath.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_FALSE(FileExists(path("sock")));
    ::close(fd);
}

TEST_F(FileExistsTest, DeviceIsNotANormalFile) {
    EXPECT_FALSE(FileExists("/dev/null"));
}

TEST_F(FileExistsTest, LinkCountsAsWhatItPointsTo) {
    makeFile("real.wav");
    std::filesystem::create_symlink(dir_.path() / "real.wav", dir_.path() / "link.wav");
    std::filesystem::create_symlink(dir_.path() / "gone.wav", dir_.path() / "broken.wav");
    EXPECT_TRUE(FileExists(path("link.wav")));
    EXPECT_FALSE(FileExists(path("broken.wav")));
    EXPECT_FALSE(FileExists(path("brok*")));
}

TEST_F(FileExistsTest, WildcardsMatchNormalFiles) {
    makeFile("track01.ogg");
    EXPECT_TRUE(FileExists(path("*.ogg")));
    EXPECT_TRUE(FileExists(path("track??.ogg")));
    EXPECT_TRUE(FileExists(path("t*1*")));
    EXPECT_FALSE(FileExists(path("track?.ogg")));
    EXPECT_FALSE(FileExists(path("*.mp3")));
}

TEST_F(FileExistsTest, WildcardMatchingOnlyHiddenFilesFindsNothing) {
    makeFile(".config.ini");
    EXPECT_FALSE(FileExists(path("*.ini")));
    EXPECT_FALSE(FileExists(path("*")));
}

TEST_F(FileExistsTest, BracketsAreLiteral) {
    makeFile("[live] set.flac");
    EXPECT_TRUE(FileExists(path("[live]*")));
    EXPECT_FALSE(FileExists(path("[l]*")));
}

TEST_F(FileExistsTest, BadPathsGiveFalse) {
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(path("missing/*.mp3")));
    makeFile("song.mp3");
    EXPECT_FALSE(FileExists(path("song.mp3/*")));  // a file where the folder should be
    EXPECT_FALSE(FileExists(path("")));            // ends in the separator: no file name
    EXPECT_FALSE(FileExists(path("a") + QChar(0) + "b"));
}

TEST(RPPTest, AddsTheSeparatorOnlyWhenMissing) {
    EXPECT_EQ(RPP("/home/dj/music"), "/home/dj/music/");
    EXPECT_EQ(RPP("/home/dj/music/"), "/home/dj/music/");
    EXPECT_EQ(RPP("/"), "/");
    EXPECT_EQ(RPP(RPP("music")), "music/");
}

}  // namespace
}  // namespace luma
