#include "loading/windows1252.h"

#include <iconv.h>

#include <string>

namespace luma {

QString fromWindows1252(const char* bytes, size_t size) {
    iconv_t converter = iconv_open("UTF-8", "WINDOWS-1252");
    // iconv's failure value is (iconv_t)-1.
    if (converter == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
        return QString::fromLatin1(bytes, size);
    }
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

}  // namespace luma
