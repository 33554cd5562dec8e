#include "loading/paths.h"

#include <sys/stat.h>

#include "loading/file_names.h"

namespace luma {
namespace {

constexpr QChar kSeparator = u'/';

bool hasWildcard(QStringView pattern) {
    return pattern.contains(u'*') || pattern.contains(u'?');
}

// `*` matches any run of characters, `?` exactly one; everything else is
// literal (no bracket classes, so names holding `[` still match themselves).
bool matchesWildcard(QStringView pattern, QStringView name) {
    qsizetype p = 0, n = 0;
    qsizetype starAt = -1, nameAtStar = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            nameAtStar = n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++nameAtStar;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool isNormalFile(const QByteArray& path) {
    struct stat info;
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isHidden(QStringView fileName) {
    return fileName.startsWith(u'.');
}

}  // namespace

bool FileExists(const QString& name) {
    // A NUL would silently cut the path short at the system call.
    if (name.isEmpty() || name.contains(QChar(0))) return false;
    const qsizetype lastSeparator = name.lastIndexOf(kSeparator);
    const QString folder = name.left(lastSeparator + 1);
    const QString pattern = name.mid(lastSeparator + 1);
    if (pattern.isEmpty()) return false;

    if (!hasWildcard(pattern)) return !isHidden(pattern) && isNormalFile(encodeFileName(name));

    for (const FolderEntry& entry : readFolder(folder.isEmpty() ? "." : folder)) {
        if (entry.file && !isHidden(entry.name) && matchesWildcard(pattern, entry.name))
            return true;
    }
    return false;
}

QString RPP(const QString& path) {
    return path.endsWith(kSeparator) ? path : path + kSeparator;
}

}  // namespace luma
