// The browser's folder list over a temporary folder tree.
#include "loading/folder_list.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>

#include "support/temp_dir.h"

namespace luma {
namespace {

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

}  // namespace
}  // namespace luma
