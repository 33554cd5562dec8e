// Small path helpers shared by the loading code.
#pragma once

#include <QString>

namespace luma {

// True when a search for normal files matching `name` finds one. Only the
// file-name part may hold the wildcards `*` and `?`. Hidden entries (dot-files),
// folders and special files (sockets, devices, fifos) never count; a symbolic
// link counts as what it points to. Any error (bad path, unreadable folder)
// gives false.
bool FileExists(const QString& name);

// `path` with exactly one trailing separator, ready to have a file name appended.
QString RPP(const QString& path);

}  // namespace luma
