#include "loading/file_list.h"

#include <QDir>
#include <QFileInfo>

namespace luma {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit dblClick(); });
}

bool FileList::setPath(const QString& path) {
    const QFileInfo folder(path);
    if (path.isEmpty() || !folder.isDir() || !folder.isReadable()) return false;
    path_ = QDir::cleanPath(folder.absoluteFilePath());
    fill();
    emit pathChange();
    return true;
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    if (!path_.isEmpty()) fill();
}

QString FileList::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}

void FileList::fill() {
    clear();
    QDir folder(path_);
    folder.setNameFilters(pattern_.split(';', Qt::SkipEmptyParts));
    // Hidden files and anything that is not a plain file stay out, as on a
    // music shelf; the case of an extension does not matter.
    folder.setFilter(QDir::Files | QDir::Readable);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : folder.entryInfoList()) {
        if (file.isFile()) addItem(file.fileName());
    }
}

}  // namespace luma
