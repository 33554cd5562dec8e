// Single-byte text of the Windows world (ID3v1 tags, old file names).
#pragma once

#include <QString>
#include <cstddef>

namespace luma {

// Windows-1252 through the C library's converter: Qt's own converters know
// Latin-1, which differs exactly where 1252 keeps its curly quotes, dashes
// and the euro sign.
QString fromWindows1252(const char* bytes, size_t size);

}  // namespace luma
