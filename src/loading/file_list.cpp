#include "loading/file_list.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

#include "loading/file_names.h"

namespace luma {

namespace {
constexpr int kNameRole = Qt::UserRole;  // the name as the disk holds it
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit dblClick(); });
}

bool FileList::setPath(const QString& path) {
    if (path.isEmpty() || !isReadableFolder(path)) return false;
    path_ = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().filePath(path));
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
    return item ? item->data(kNameRole).toString() : QString();
}

void FileList::fill() {
    clear();
    std::vector<QRegularExpression> patterns;
    for (const QString& pattern : pattern_.split(';', Qt::SkipEmptyParts)) {
        patterns.push_back(
            QRegularExpression::fromWildcard(pattern.trimmed(), Qt::CaseInsensitive));
    }
    // Hidden files and anything that is not a plain file stay out, as on a
    // music shelf; the case of an extension does not matter.
    struct Listed {
        QString name, shown;
    };
    std::vector<Listed> listed;
    for (const FolderEntry& entry : readFolder(path_)) {
        if (!entry.file || !entry.readable || entry.name.startsWith('.')) continue;
        // Matched as shown: the expression engine refuses escaped bytes.
        QString shown = displayFileName(entry.name);
        const bool matches =
            std::any_of(patterns.begin(), patterns.end(),
                        [&](const auto& pattern) { return pattern.match(shown).hasMatch(); });
        if (matches) listed.push_back({entry.name, std::move(shown)});
    }
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    for (const Listed& file : listed) {
        auto* item = new QListWidgetItem(file.shown, this);
        item->setData(kNameRole, file.name);
    }
}

}  // namespace luma
