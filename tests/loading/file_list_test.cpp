// The browser's file list: the matching normal files of a folder.
#include "loading/file_list.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>

#include "support/temp_dir.h"

namespace luma {
namespace {

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
    EXPECT_EQ(files.fileName(), "") << "nothing chosen";
    QSignalSpy dblClick(&files, &FileList::dblClick);
    emit files.itemDoubleClicked(files.item(1));
    EXPECT_EQ(dblClick.count(), 1);
    EXPECT_FALSE(files.setPath(root + "/nothing"));
}

}  // namespace
}  // namespace luma
