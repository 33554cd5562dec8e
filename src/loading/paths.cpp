#include "loading/paths.h"

#include <sys/stat.h>

#include <QDir>
#include <QStandardPaths>
#include <optional>

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

bool isNameCharacter(QChar c, bool first) {
    return c == u'_' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
           (!first && c >= u'0' && c <= u'9');
}

std::optional<QString> variable(const QString& name) {
    if (qEnvironmentVariableIsSet(name.toLatin1().constData()))
        return qEnvironmentVariable(name.toLatin1().constData());
    if (name == u"XDG_MUSIC_DIR")
        return QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return std::nullopt;
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

QString expandPath(const QString& path) {
    QString expanded;
    qsizetype i = 0;
    if (path == u"~" || path.startsWith(u"~/")) {
        expanded = QDir::homePath();
        i = 1;
    }
    while (i < path.size()) {
        const bool braced = path[i] == u'$' && i + 1 < path.size() && path[i + 1] == u'{';
        const qsizetype nameStart = i + (braced ? 2 : 1);
        qsizetype nameEnd = nameStart;
        while (nameEnd < path.size() && isNameCharacter(path[nameEnd], nameEnd == nameStart))
            ++nameEnd;
        const bool closed = !braced || (nameEnd < path.size() && path[nameEnd] == u'}');
        const std::optional<QString> value =
            path[i] == u'$' && nameEnd > nameStart && closed
                ? variable(path.mid(nameStart, nameEnd - nameStart))
                : std::nullopt;
        if (value) {
            expanded += *value;
            i = nameEnd + (braced ? 1 : 0);
        } else {
            expanded += path[i++];
        }
    }
    return expanded;
}

}  // namespace luma
