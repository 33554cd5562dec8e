#include "loading/id3v1_tag.h"

#include <iconv.h>

#include <QFile>
#include <QFileInfo>

#include "loading/paths.h"

namespace luma {

namespace {

constexpr qint64 kTagSize = 128;

// Windows-1252 through the C library's converter: Qt's own converters know
// Latin-1, which differs exactly where 1252 keeps its curly quotes, dashes
// and the euro sign.
QString fromWindows1252(const char* bytes, size_t size) {
    iconv_t converter = iconv_open("UTF-8", "WINDOWS-1252");
    if (converter == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(bytes, size);
    std::string out(size * 3, '\0');
    char* in = const_cast<char*>(bytes);
    char* to = out.data();
    size_t left = size, room = out.size();
    while (left > 0 && iconv(converter, &in, &left, &to, &room) == static_cast<size_t>(-1)) {
        // 1252 leaves five bytes undefined: keep them as they would read in Latin-1.
        const QByteArray kept = QString(QChar(static_cast<unsigned char>(*in))).toUtf8();
        if (room < static_cast<size_t>(kept.size())) break;
        std::copy(kept.begin(), kept.end(), to);
        to += kept.size();
        room -= kept.size();
        ++in;
        --left;
    }
    iconv_close(converter);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(to - out.data()));
}

}  // namespace

bool ReadID3Tag(const QString& fileName, Id3v1Tag& tag) {
    if (!FileExists(fileName)) return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < kTagSize) return false;
    if (!file.seek(file.size() - kTagSize)) return false;
    const QByteArray record = file.read(kTagSize);
    if (record.size() != kTagSize || !record.startsWith("TAG")) return false;
    const char* bytes = record.constData();
    tag.title = fromWindows1252(bytes + 3, 30);
    tag.artist = fromWindows1252(bytes + 33, 30);
    tag.album = fromWindows1252(bytes + 63, 30);
    tag.year = fromWindows1252(bytes + 93, 4);
    tag.comment = fromWindows1252(bytes + 97, 30);
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
