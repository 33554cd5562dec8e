#include "loading/file_names.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "loading/windows1252.h"

namespace luma {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + the byte, for bytes 0x80..0xFF

// Length of the well-formed UTF-8 sequence at `at`, or 0. Overlong forms,
// surrogates and code points past U+10FFFF are not well-formed.
int utf8SequenceAt(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (int i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool isEscape(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

// Splits a name into runs of text and the bytes escaped between them. The
// low surrogate of a real pair (U+1F480 ends in U+DC80) is text, not a byte.
template <typename OnText, typename OnByte>
void forEachPiece(const QString& name, OnText onText, OnByte onByte) {
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        if (name[at].isHighSurrogate() && at + 1 < name.size() && name[at + 1].isLowSurrogate()) {
            ++at;
        } else if (isEscape(name[at].unicode())) {
            onText(QStringView(name).mid(runStart, at - runStart));
            onByte(static_cast<char>(name[at].unicode() - kEscapeBase));
            runStart = at + 1;
        }
    }
    onText(QStringView(name).mid(runStart));
}

}  // namespace

QString decodeFileName(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) {
            name += QChar(lead);
            ++at;
        } else if (const int length = utf8SequenceAt(bytes, at)) {
            name += QString::fromUtf8(bytes.constData() + at, length);
            at += length;
        } else {
            name += QChar(static_cast<char16_t>(kEscapeBase + lead));
            ++at;
        }
    }
    return name;
}

QByteArray encodeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    forEachPiece(
        name, [&](QStringView text) { bytes += text.toUtf8(); }, [&](char byte) { bytes += byte; });
    return bytes;
}

QString displayFileName(const QString& name) {
    QString shown;
    shown.reserve(name.size());
    forEachPiece(
        name, [&](QStringView text) { shown += text; },
        [&](char byte) { shown += fromWindows1252(&byte, 1); });
    return shown;
}

std::vector<FolderEntry> readFolder(const QString& folder) {
    std::vector<FolderEntry> entries;
    QByteArray path = encodeFileName(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(path.constData()), &::closedir);
    if (!listing) return entries;
    if (!path.endsWith('/')) path += '/';
    while (const dirent* entry = ::readdir(listing.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") continue;
        struct stat info {};
        const QByteArray entryPath = path + name;
        const bool known = ::stat(entryPath.constData(), &info) == 0;
        entries.push_back({decodeFileName(name), known && S_ISDIR(info.st_mode),
                           known && S_ISREG(info.st_mode),
                           known && ::access(entryPath.constData(), R_OK) == 0});
    }
    return entries;
}

bool isReadableFolder(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    struct stat info {};
    return !bytes.isEmpty() && ::stat(bytes.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(bytes.constData(), R_OK | X_OK) == 0;
}

}  // namespace luma
