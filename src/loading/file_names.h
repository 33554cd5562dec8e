// File names as the disk holds them: bytes. Most are UTF-8, but a crate
// copied from an old player or unpacked from an archive may hold names in a
// single-byte code page, which Qt's own file classes neither list nor open.
// Such bytes travel inside a QString as the lone surrogates U+DC80..U+DCFF
// (the "surrogate escape" of other toolkits), so every name survives the
// round trip from the folder listing to the file that is opened.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace luma {

QString decodeFileName(const QByteArray& bytes);
QByteArray encodeFileName(const QString& name);
// For the eye: escaped bytes shown as the Windows-1252 characters they
// most likely were.
QString displayFileName(const QString& name);

struct FolderEntry {
    QString name;
    bool folder = false;  // symbolic links count as what they point to
    bool file = false;    // a normal file
    bool readable = false;
};
// What `folder` holds, "." and ".." left out, in no particular order; empty
// when it cannot be read.
std::vector<FolderEntry> readFolder(const QString& folder);
// A folder that can be listed and entered.
bool isReadableFolder(const QString& path);

}  // namespace luma
