// The user's own settings beyond a deck's 38 lines:
// $XDG_CONFIG_HOME/lumatrone/lumatrone.conf (~/.config by default), an INI
// file that both decks read at start-up. A missing file or key keeps the
// default; a value that does not read is reported on stderr and skipped.
#pragma once

#include <QString>

namespace luma {

struct UserSettings {
    // [audio] output-latency-ms: the output buffer in milliseconds, 1 to
    // 2000; 0 leaves it to the sound system (a sound server gets enough to
    // bridge a short stall, JACK and ALSA devices little).
    int outputLatencyMs = 0;
    // [loudness] even = on|off: every track brought to one loudness, measured at
    // load (on by default); target-lufs: that loudness, -40 to -5 LUFS.
    bool evenLoudness = true;
    double loudnessTargetLufs = -18.0;
    // [sync] latency-ms: milliseconds added to the output latency that sync
    // accounts for, -1000 to 1000, for an output that reports its own
    // latency wrong (the deck's beats then lead or lag the session's).
    int syncLatencyMs = 0;
};

// Where the file is looked for.
QString userSettingsPath();

UserSettings readUserSettings(const QString& path = userSettingsPath());

}  // namespace luma
