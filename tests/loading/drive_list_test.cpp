// The drive list: the mount table's volumes, a path's drive, choosing one.
#include "loading/drive_list.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "support/temp_dir.h"

namespace luma {
namespace {

TEST(DriveListTest, RealVolumesTheDriveOfAPathAndChoosingOne) {
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
}

// A volume mounted while the deck runs comes and goes (needs root; skipped without).
TEST(DriveListTest, FollowsTheMountTableWhileRunning) {
    test::TempDir dir;
    const QString source = QString::fromStdString(dir.file("stick"));
    const QString point = QString::fromStdString(dir.file("media"));
    ASSERT_TRUE(QDir().mkpath(source) && QDir().mkpath(point));
    DriveList drives;
    const auto listed = [&] { return drives.findText(point) >= 0; };
    if (QProcess::execute("mount", {"--bind", source, point}) != 0) {
        GTEST_SKIP() << "no right to mount here";
    }
    EXPECT_TRUE(QTest::qWaitFor(listed, 2000)) << "the new volume appears";
    ASSERT_EQ(QProcess::execute("umount", {point}), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !listed(); }, 2000)) << "the volume that went is gone";
}

}  // namespace
}  // namespace luma
