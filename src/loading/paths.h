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

// A folder setting read as a shell reads it: a leading `~` (alone or before a
// separator) is the user's home, `$NAME` and `${NAME}` the environment
// variable's value. A variable that is not set stays as written, but for
// XDG_MUSIC_DIR: desktops keep that one in their user-dirs settings rather
// than in the environment, so it is then the desktop's music folder.
QString expandPath(const QString& path);

}  // namespace luma
