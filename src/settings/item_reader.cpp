#include "settings/item_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "loading/file_names.h"

namespace luma {
namespace {

// Far more than the longest paths on every line of a settings file take.
constexpr qint64 kMaxBytes = 1 << 20;

// The first `lines` lines of a regular file, at most kMaxBytes of them. A
// link to /dev/zero would otherwise be read until memory runs out, and a
// FIFO without a writer would block the deck in open() for good (hence the
// non-blocking open, and the type checked on what was opened).
std::optional<QByteArray> readRegularFile(const QString& path, int lines) {
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat info {};
    QFile file;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return std::nullopt;
    }
    // Counted at "\n" only: a file of bare "\r" line ends is read to the cap.
    QByteArray bytes;
    for (int line = 0; line < lines && bytes.size() < kMaxBytes; ++line) {
        const QByteArray next = file.readLine(kMaxBytes - bytes.size());
        if (next.isEmpty()) break;
        bytes += next;
    }
    return bytes;
}

}  // namespace

ItemReader::ItemReader(const QString& filePath, int lines) {
    const std::optional<QByteArray> bytes = readRegularFile(filePath, lines);
    if (!bytes) return;
    opened_ = true;
    text_ = decodeFileName(*bytes);
    if (text_.startsWith(QChar(0xFEFF))) text_.remove(0, 1);
}

std::optional<QString> ItemReader::next() {
    if (position_ >= text_.size() && !itemPending_) return std::nullopt;
    itemPending_ = false;
    skipBlanks();
    QString item =
        position_ < text_.size() && text_[position_] == u'"' ? readQuoted() : readUnquoted();
    finishItem();
    return item;
}

bool ItemReader::atLineEnd() const {
    return position_ >= text_.size() || text_[position_] == u'\n' || text_[position_] == u'\r';
}

void ItemReader::skipLineEnd() {
    if (position_ >= text_.size()) return;
    if (text_[position_] == u'\r' && position_ + 1 < text_.size() && text_[position_ + 1] == u'\n')
        ++position_;
    ++position_;
}

void ItemReader::skipBlanks() {
    while (position_ < text_.size() && (text_[position_] == u' ' || text_[position_] == u'\t'))
        ++position_;
}

QString ItemReader::readQuoted() {
    const qsizetype start = ++position_;
    // An unclosed quote runs to the end of the line rather than swallowing the file.
    while (!atLineEnd() && text_[position_] != u'"') ++position_;
    QString item = text_.sliced(start, position_ - start);
    if (!atLineEnd()) ++position_;
    return item;
}

QString ItemReader::readUnquoted() {
    const qsizetype start = position_;
    while (!atLineEnd() && text_[position_] != u',') ++position_;
    return text_.sliced(start, position_ - start);
}

void ItemReader::finishItem() {
    while (!atLineEnd() && text_[position_] != u',') ++position_;
    if (atLineEnd()) {
        skipLineEnd();
    } else {
        ++position_;
        itemPending_ = true;
    }
}

}  // namespace luma
