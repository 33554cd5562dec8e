#include "loading/folder_list.h"

#include <QDir>
#include <algorithm>

#include "loading/file_names.h"

namespace luma {

namespace {
constexpr int kPathRole = Qt::UserRole;
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { setPath(item->data(kPathRole).toString()); });
}

bool FolderList::setPath(const QString& path) {
    if (path.isEmpty() || !isReadableFolder(path)) return false;
    const QString clean =
        QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().filePath(path));
    const bool changed = clean != path_;
    path_ = clean;
    fill();
    if (changed) emit change();
    return true;
}

void FolderList::fill() {
    clear();
    // Ancestors, each indented one step more, the open folder last of them.
    // Worked out on the path's text: a name need not be UTF-8 to be walked.
    QStringList chain{"/"};
    const QStringList parts = path_.split('/', Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) chain << "/" + parts.mid(0, i + 1).join('/');
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = folder == "/" ? "/" : displayFileName(folder.section('/', -1));
        auto* item = new QListWidgetItem(QString(depth * 2, ' ') + name, this);
        item->setData(kPathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);
    QStringList children;
    for (const FolderEntry& entry : readFolder(path_)) {
        if (entry.folder && !entry.name.startsWith('.')) children << entry.name;
    }
    std::sort(children.begin(), children.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    const QString parent = path_ == "/" ? QString() : path_;
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(QString(depth * 2, ' ') + displayFileName(child), this);
        item->setData(kPathRole, parent + "/" + child);
    }
}

}  // namespace luma
