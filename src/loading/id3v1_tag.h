// The ID3 version 1 tag in a file's last 128 bytes, and the song-info
// captions the deck shows for it.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace luma {

struct Id3v1Tag {
    // Text fields up to their first NUL; blank padding kept.
    QString title, artist, album, year, comment;
    uint8_t genre = 0;
};

// Reads the tag of a normal file; false when there is none (no such normal
// file, unreadable, shorter than 128 bytes, or no "TAG" marker, case-sensitive).
// The text is single-byte Windows-1252, so accented names show right.
bool ReadID3Tag(const QString& fileName, Id3v1Tag& tag);

// The six song-info captions in label order (title, artist, album, year,
// comment, genre): each field after a blank, the genre through its name;
// without a tag, the notice and five empty captions.
std::array<QString, 6> songInfoCaptions(bool found, const Id3v1Tag& tag,
                                        const QStringList& genreNames);

}  // namespace luma
