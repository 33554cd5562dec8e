// Reads the deck's start-up configuration: deck<N>.ini and styles.ini from the
// program folder. A deck<N>.ini of the user's own, in lumatrone/ under
// $XDG_CONFIG_HOME (~/.config by default), is read instead of the program
// folder's: an installed program folder is not the user's to edit.
#pragma once

#include <QString>
#include <QStringList>

#include "settings/deck_settings.h"

namespace luma {

inline constexpr int kGenreCount = 256;

struct ConfigResult {
    DeckSettings settings;
    // False when deck<N>.ini could not be opened; the settings then hold what
    // empty items give, and the caller tells the user.
    bool settingsFileOpened = false;
    QStringList genreNames;  // always kGenreCount names, missing ones empty
};

// `commandLine` names the deck: exactly "1" is deck 1, any other text reads
// the deck-2 lines of the file.
ConfigResult readConfig(const QString& programFolder, const QString& commandLine);

// Where deck<N>.ini is read from (see above).
QString settingsFilePath(const QString& programFolder, const QString& commandLine);

// A number setting: the text's leading numeric part (blanks, optional sign,
// digits, optional point and fraction; anything else ends it, none gives 0),
// rounded to the nearest integer with halves to even, saturated to 16 bits.
qint16 readSettingNumber(const QString& text);

}  // namespace luma
