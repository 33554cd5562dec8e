#include "loading/id3v1_tag.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cstring>

#include "loading/file_names.h"
#include "loading/paths.h"
#include "loading/windows1252.h"

namespace luma {

namespace {

constexpr qint64 kTagSize = 128;

// A field ends at its first NUL: what follows is padding, or in the comment
// the track number of an ID3v1.1 tag, not text to show.
QString field(const char* bytes, size_t width) {
    return fromWindows1252(bytes, strnlen(bytes, width));
}

}  // namespace

bool ReadID3Tag(const QString& fileName, Id3v1Tag& tag) {
    if (!FileExists(fileName)) return false;
    // Opened by its bytes: QFile would re-encode a name that is not UTF-8.
    const int descriptor = ::open(encodeFileName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    if (file.size() < kTagSize) return false;
    if (!file.seek(file.size() - kTagSize)) return false;
    const QByteArray record = file.read(kTagSize);
    if (record.size() != kTagSize || !record.startsWith("TAG")) return false;
    const char* bytes = record.constData();
    tag.title = field(bytes + 3, 30);
    tag.artist = field(bytes + 33, 30);
    tag.album = field(bytes + 63, 30);
    tag.year = field(bytes + 93, 4);
    tag.comment = field(bytes + 97, 30);
    tag.genre = static_cast<uint8_t>(bytes[127]);
    return true;
}

std::array<QString, 6> songInfoCaptions(bool found, const Id3v1Tag& tag,
                                        const QStringList& genreNames) {
    if (!found) return {" ID3 info unavalaible or not exists.", "", "", "", "", ""};
    const QString genre = tag.genre < genreNames.size() ? genreNames[tag.genre] : QString();
    return {" " + tag.title, " " + tag.artist,  " " + tag.album,
            " " + tag.year,  " " + tag.comment, " " + genre};
}

}  // namespace luma
