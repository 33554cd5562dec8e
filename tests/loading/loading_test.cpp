// The browser's drive, folder and file lists over a temporary folder tree,
// and names that are not UTF-8 on disk: kept byte for byte, shown as
// Windows-1252; what a file name finds, and the tag read from the file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <functional>

#include "loading/drive_list.h"
#include "loading/file_list.h"
#include "loading/file_names.h"
#include "loading/folder_list.h"
#include "loading/id3v1_tag.h"
#include "loading/paths.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace luma {
namespace {

TEST(DriveListTest, RealVolumesTheDriveOfAPathAndEachDrivesFolder) {
    const QString table =
        "proc /proc proc rw 0 0\n"
        "/dev/vda / ext4 rw 0 0\n"
        "/dev/sdb1 /media/dj/USB\\040STICK vfat rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "/dev/sdc1 /media/dj/USB vfat rw 0 0\n";
    const QStringList drives = DriveList::mountPoints(table);
    EXPECT_EQ(drives, (QStringList{"/", "/media/dj/USB STICK", "/media/dj/USB"}));
    EXPECT_EQ(DriveList::driveOf("/media/dj/USB/sets/a.mp3", drives), "/media/dj/USB");
    EXPECT_EQ(DriveList::driveOf("/media/dj/USB STICK", drives), "/media/dj/USB STICK");
    EXPECT_EQ(DriveList::driveOf("/media/dj/USBX/x", drives), "/") << "not a prefix by text";
    EXPECT_EQ(DriveList::driveOf("c:\\music", drives), "") << "no such drive here";

    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    DriveList list;
    QSignalSpy change(&list, &DriveList::change);
    ASSERT_TRUE(list.setDrive(folder));
    EXPECT_FALSE(list.setDrive("relative/path"));
    EXPECT_EQ(change.count(), 1);
    list.rememberFolder(folder);
    EXPECT_EQ(list.currentFolder(list.drive()), folder);
}

// A volume mounted while the deck runs appears in the list, and goes when
// it is unmounted. Needs the right to mount (root, as in CI); skipped without.
TEST(DriveListTest, FollowsTheMountTableWhileRunning) {
    test::TempDir dir;
    const QString source = QString::fromStdString(dir.file("stick"));
    const QString point = QString::fromStdString(dir.file("media"));
    ASSERT_TRUE(QDir().mkpath(source) && QDir().mkpath(point));
    DriveList drives;
    const auto listed = [&] { return drives.findText(point) >= 0; };
    const auto waitUntil = [](const std::function<bool()>& done) {
        for (int i = 0; i < 200 && !done(); ++i) QTest::qWait(10);
        return done();
    };
    if (QProcess::execute("mount", {"--bind", source, point}) != 0) {
        GTEST_SKIP() << "no right to mount here";
    }
    EXPECT_TRUE(waitUntil(listed)) << "the new volume appears";
    ASSERT_EQ(QProcess::execute("umount", {point}), 0);
    EXPECT_TRUE(waitUntil([&] { return !listed(); })) << "the volume that went is gone";
}

TEST(FolderListTest, OpensReadableFoldersAndListsAncestorsThenChildren) {
    test::TempDir dir;
    const QString root = QString::fromStdString(dir.path().string());
    ASSERT_TRUE(QDir(root).mkpath("crate/house"));
    ASSERT_TRUE(QDir(root).mkpath("crate/Ambient"));
    FolderList folders;
    QSignalSpy change(&folders, &FolderList::change);
    ASSERT_TRUE(folders.setPath(root + "/crate/"));
    EXPECT_EQ(folders.path(), root + "/crate");
    EXPECT_EQ(change.count(), 1);
    EXPECT_TRUE(folders.setPath(root + "/crate"));
    EXPECT_EQ(change.count(), 1) << "the same folder is no change";
    EXPECT_FALSE(folders.setPath(root + "/missing"));
    EXPECT_FALSE(folders.setPath(""));
    EXPECT_EQ(folders.path(), root + "/crate");
    const int last = folders.count() - 1;
    EXPECT_EQ(folders.item(last)->text().trimmed(), "house");
    EXPECT_EQ(folders.item(last - 1)->text().trimmed(), "Ambient");
    EXPECT_EQ(folders.item(0)->text(), "/");  // (a double click opens: see FileNamesTest)
}

TEST(FileListTest, ShowsMatchingNormalFilesOnly) {
    test::TempDir dir;
    const QString root = QString::fromStdString(dir.path().string());
    for (const char* name : {"b.mp3", "A.WAV", "c.ogg", "notes.txt", ".hidden.mp3"}) {
        dir.write(name, "");
    }
    ASSERT_TRUE(QDir(root).mkpath("folder.mp3"));
    FileList files;
    files.setPattern("*.wav;*.mp3;*.mp2;*.mp1;*.ogg");
    QSignalSpy pathChange(&files, &FileList::pathChange);
    ASSERT_TRUE(files.setPath(root));
    EXPECT_EQ(pathChange.count(), 1);
    QStringList shown;
    for (int i = 0; i < files.count(); ++i) shown << files.item(i)->text();
    EXPECT_EQ(shown, (QStringList{"A.WAV", "b.mp3", "c.ogg"}));
    EXPECT_EQ(files.fileName(), "");
    files.setCurrentRow(1);
    EXPECT_EQ(files.fileName(), "b.mp3");
    QSignalSpy dblClick(&files, &FileList::dblClick);
    emit files.itemDoubleClicked(files.item(1));
    EXPECT_EQ(dblClick.count(), 1);
    EXPECT_FALSE(files.setPath(root + "/nothing"));
}

TEST(FileNamesTest, EveryByteSequenceSurvivesTheRoundTripAndNamesAFolderThatOpens) {
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

    // (A file so named is listed and played by EngineDeckTest.DemoTracks...)
    test::TempDir dir;
    const std::string latinFolder = "Caf\xe9";  // "Café" as an old player wrote it
    std::filesystem::create_directory(dir.path() / latinFolder);
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
}

// --- Paths --------------------------------------------------------------------

// Only a visible normal file, or a link to one, exists; wildcards (* and ?,
// brackets are literal) look for one.
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

    // "song.mp3/*" has a file where the folder should be; "" ends in the
    // separator, so it names no file.
    const std::pair<const char*, bool> cases[] = {
        {"song.mp3", true},       {"song.mp", false},    {"music", false},
        {"mus*", false},          {".hidden", false},    {"*.ini", false},
        {"pipe", false},          {"pi?e", false},       {"link.wav", true},
        {"broken.wav", false},    {"brok*", false},      {"*.ogg", true},
        {"track??.ogg", true},    {"t*1*", true},        {"track?.ogg", false},
        {"*.aac", false},         {"[live]*", true},     {"[l]*", false},
        {"missing/*.mp3", false}, {"song.mp3/*", false}, {"", false}};
    for (auto [name, exists] : cases) EXPECT_EQ(FileExists(path(name)), exists) << name;
    EXPECT_FALSE(FileExists(path("a") + QChar(0) + "b"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists("/dev/null")) << "a device";

    test::TempDir hiddenOnly;
    hiddenOnly.write(".config.ini", "x");
    EXPECT_FALSE(FileExists(QString::fromStdString(hiddenOnly.file("*"))));
}

TEST(RPPTest, AddsTheSeparatorOnlyWhenMissing) {
    EXPECT_EQ(RPP("/home/dj/music"), "/home/dj/music/");
    EXPECT_EQ(RPP("/home/dj/music/"), "/home/dj/music/");
    EXPECT_EQ(RPP("/"), "/");
    EXPECT_EQ(RPP(RPP("music")), "music/");
}

// The music folder setting: home and variables as a shell expands them; what
// a shell would not expand, or names no set variable, stays as written.
TEST(ExpandPathTest, HomeAndVariablesAsAShellWould) {
    test::TempDir config;
    config.write("user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    const test::ScopedEnv home("HOME", "/home/dj"), crate("LUMA_CRATE", "/media/usb/crate"),
        unset("LUMA_UNSET", std::nullopt), music("XDG_MUSIC_DIR", std::nullopt),
        configHome("XDG_CONFIG_HOME", config.path().string());
    const std::pair<const char*, const char*> cases[] = {
        {"/music/house", "/music/house"},
        {"~", "/home/dj"},
        {"~/Music", "/home/dj/Music"},
        {"$HOME/Music", "/home/dj/Music"},
        {"${LUMA_CRATE}/house", "/media/usb/crate/house"},
        {"/mnt/$LUMA_CRATE", "/mnt//media/usb/crate"},
        {"$LUMA_CRATE-2", "/media/usb/crate-2"},
        {"${XDG_MUSIC_DIR}/house", "/home/dj/Tunes/house"},
        {"~dj/Music", "~dj/Music"},
        {"/music/~", "/music/~"},
        {"$LUMA_UNSET/house", "$LUMA_UNSET/house"},
        {"${LUMA_CRATE", "${LUMA_CRATE"},
        {"/a$", "/a$"},
        {"$1/house", "$1/house"},
    };
    for (auto [setting, folder] : cases) EXPECT_EQ(expandPath(setting), folder) << setting;
}

// --- ID3v1 tags (the captions made from them: TrackLoadingTest) ----------

// A tag record: the fields padded to their width, the album with NULs, the
// comment with a NUL and a track number after it (as ID3v1.1 has it).
QByteArray tagRecord(const QByteArray& marker, uint8_t genre) {
    return marker + QByteArray("Hello").leftJustified(30) +
           QByteArray("Caf\xe9 \x80 Band").leftJustified(30) +
           QByteArray("Album").leftJustified(30, '\0') + "2026" +
           QByteArray("Comment").leftJustified(29, '\0') + '\x07' + static_cast<char>(genre);
}

// The last 128 bytes, when they start with TAG, hold the fields, each up to
// its first NUL, blank padding kept; anything else is no tag.
TEST(Id3v1TagTest, ReadsTheFieldsOfExactlyATag) {
    test::TempDir dir;
    Id3v1Tag tag;
    const auto read = [&](const QByteArray& bytes) {
        return ReadID3Tag(QString::fromStdString(dir.write("t.mp3", bytes.toStdString())), tag);
    };
    ASSERT_TRUE(read(QByteArray(5000, 'x') + tagRecord("TAG", 255)));
    EXPECT_EQ(tag.title, "Hello" + QString(25, ' ')) << "padding kept";
    EXPECT_EQ(tag.artist.left(11), QString::fromUtf8("Café € Band")) << "Windows-1252";
    EXPECT_EQ(tag.album, "Album");
    EXPECT_EQ(tag.year, "2026");
    EXPECT_EQ(tag.comment, "Comment") << "the track number after the NUL left out";
    EXPECT_EQ(tag.genre, 255);

    EXPECT_TRUE(read(tagRecord("TAG", 1))) << "128 bytes";
    EXPECT_FALSE(read(tagRecord("tag", 1))) << "marker is case-sensitive";
    EXPECT_FALSE(read(tagRecord("TAG", 1).left(127)));
    EXPECT_FALSE(read(QByteArray(400, 'x')));
    EXPECT_FALSE(ReadID3Tag(QString::fromStdString(dir.file("missing.mp3")), tag));
    EXPECT_FALSE(ReadID3Tag(QString::fromStdString(dir.path().string()), tag)) << "a folder";
}

}  // namespace
}  // namespace luma
