// What the deck takes from its settings file at start-up.
#pragma once

#include <QString>
#include <QtGlobal>

namespace luma {

struct DeckSettings {
    bool showBpm = false;
    bool joystickTimer = false;
    int touchMode = 0;
    qint16 soundDevice = 0;
    // Matched against the connected devices later (FrmMain::FindMidiDevice).
    QString midiDeviceName;
    // As written, a byte that is not UTF-8 escaped as in a file name
    // (loading/file_names.h), so that the folder opens by the bytes it was;
    // the deck resolves placeholders such as "demo" itself.
    QString musicFolder;
    QString joystickNumber;
};

}  // namespace luma
