// What a file name finds, and the music folder setting as a shell reads it.
#include "loading/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace luma {
namespace {

// Only a visible normal file or a link to one exists; * and ? look for one, brackets are literal.
TEST(FileExistsTest, FindsVisibleNormalFilesByNameOrWildcard) {
    test::TempDir dir;
    const auto path = [&](const std::string& name) {
        return QString::fromStdString(dir.file(name));
    };
    for (const char* name :
         {"song.mp3", "real.wav", "track01.ogg", "[live] set.flac", ".hidden", ".config.ini"}) {
        dir.write(name, "x");
    }
    std::filesystem::create_directory(dir.path() / "music");
    std::filesystem::create_symlink(dir.path() / "real.wav", dir.path() / "link.wav");
    std::filesystem::create_symlink(dir.path() / "gone.wav", dir.path() / "broken.wav");
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);

    // "*.ini" finds only the hidden .config.ini; "song.mp3/*": a file where the folder
    // should be; "": ends in the separator.
    const std::pair<const char*, bool> cases[] = {
        {"song.mp3", true},    {"music", false},  {"mus*", false},       {".hidden", false},
        {"*.ini", false},      {"pipe", false},   {"pi?e", false},       {"link.wav", true},
        {"broken.wav", false}, {"brok*", false},  {"track??.ogg", true}, {"t*1*", true},
        {"track?.ogg", false}, {"[live]*", true}, {"[l]*", false},       {"missing/*.mp3", false},
        {"song.mp3/*", false}, {"", false}};
    for (auto [name, exists] : cases) EXPECT_EQ(FileExists(path(name)), exists) << name;
    EXPECT_FALSE(FileExists(path("a") + QChar(0) + "b"));
}

// Home and variables expand as a shell would; the rest stays as written.
TEST(ExpandPathTest, HomeAndVariablesAsAShellWould) {
    test::TempDir config;
    config.write("user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    const test::ScopedEnv home("HOME", "/home/dj"), crate("LUMA_CRATE", "/media/usb/crate"),
        unset("LUMA_UNSET", std::nullopt), music("XDG_MUSIC_DIR", std::nullopt),
        configHome("XDG_CONFIG_HOME", config.path().string());
    const std::pair<const char*, const char*> cases[] = {
        {"~", "/home/dj"},
        {"~/Music", "/home/dj/Music"},
        {"$LUMA_CRATE-2", "/media/usb/crate-2"},
        {"${XDG_MUSIC_DIR}/house", "/home/dj/Tunes/house"},
        {"~dj/Music", "~dj/Music"},
        {"/music/~", "/music/~"},
        {"$LUMA_UNSET/house", "$LUMA_UNSET/house"},
        {"${LUMA_CRATE", "${LUMA_CRATE"},
        {"/a$", "/a$"},
        {"$1/house", "$1/house"}};
    for (auto [setting, folder] : cases) EXPECT_EQ(expandPath(setting), folder) << setting;
}

}  // namespace
}  // namespace luma
