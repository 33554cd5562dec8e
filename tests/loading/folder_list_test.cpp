// The browser's folder list over a temporary folder tree.
#include "loading/folder_list.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <filesystem>

#include "loading/file_names.h"
#include "support/temp_dir.h"

namespace luma {
namespace {

// Ancestors, then the children in order; a Latin-1 name shows as such and opens by its bytes.
TEST(FolderListTest, OpensReadableFoldersAndListsAncestorsThenChildren) {
    test::TempDir dir;
    const QString root = decodeFileName(QByteArray::fromStdString(dir.path().string()));
    const std::filesystem::path latin = dir.path() / "crate" / "Caf\xe9";  // an old player's
    for (const auto& folder : {latin, dir.path() / "crate/house", dir.path() / "crate/Ambient"})
        std::filesystem::create_directories(folder);
    FolderList folders;
    QSignalSpy change(&folders, &FolderList::change);
    ASSERT_TRUE(folders.setPath(root + "/crate/"));
    EXPECT_TRUE(folders.setPath(root + "/crate"));
    EXPECT_EQ(change.count(), 1) << "the same folder is no change";
    EXPECT_FALSE(folders.setPath(root + "/missing"));
    EXPECT_FALSE(folders.setPath(""));
    EXPECT_EQ(folders.path(), root + "/crate");
    const int last = folders.count() - 1;
    EXPECT_EQ(folders.item(0)->text(), "/");
    EXPECT_EQ(folders.item(last - 2)->text().trimmed(), "Ambient");
    EXPECT_EQ(folders.item(last - 1)->text().trimmed(), QString::fromUtf8("Café"));
    EXPECT_EQ(folders.item(last)->text().trimmed(), "house");

    emit folders.itemDoubleClicked(folders.item(last - 1));
    EXPECT_EQ(encodeFileName(folders.path()).toStdString(), latin.string());
    EXPECT_EQ(folders.item(folders.count() - 1)->text().trimmed(), QString::fromUtf8("Café"))
        << "the open folder, last of its ancestors";
}

}  // namespace
}  // namespace luma
