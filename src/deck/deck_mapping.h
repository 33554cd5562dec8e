// The deck's mapping: the user's own file, $XDG_CONFIG_HOME/lumatrone/
// mapping.conf (~/.config by default), or else the shipped mapping.conf
// beside the program; its keys read as Qt reads key sequences.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "deck/deck_keys.h"
#include "remote/mapping.h"

namespace luma {

// The file the deck reads: the user's while it exists.
QString mappingPath(const QString& programFolder);

// The mapping read from `path`. A key Qt cannot read, or one a line before
// already binds, is a problem and left out.
Mapping loadDeckMapping(const QString& path);

// The keys of a mapping that loadDeckMapping returned.
std::vector<KeyBinding> keyBindings(const Mapping& mapping);

// One line a problem: "FILE line N: why".
QStringList problemLines(const Mapping& mapping);

}  // namespace luma
