#include "loading/folder_list.h"

#include <QDir>
#include <QFileInfo>

namespace luma {

namespace {
constexpr int kPathRole = Qt::UserRole;
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { setPath(item->data(kPathRole).toString()); });
}

bool FolderList::setPath(const QString& path) {
    const QFileInfo folder(path);
    if (path.isEmpty() || !folder.isDir() || !folder.isReadable()) return false;
    const QString clean = QDir::cleanPath(folder.absoluteFilePath());
    const bool changed = clean != path_;
    path_ = clean;
    fill();
    if (changed) emit change();
    return true;
}

void FolderList::fill() {
    clear();
    // Ancestors, each indented one step more, the open folder last of them.
    QStringList chain;
    for (QDir dir(path_);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp()) break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = folder == "/" ? "/" : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, ' ') + name, this);
        item->setData(kPathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);
    const QDir open(path_);
    const QStringList children =
        open.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(QString(depth * 2, ' ') + child, this);
        item->setData(kPathRole, open.filePath(child));
    }
}

}  // namespace luma
