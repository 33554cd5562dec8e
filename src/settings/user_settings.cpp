#include "settings/user_settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <cstdio>

namespace luma {

namespace {

// A whole number in [low, high]; `fallback` (and a line on stderr) otherwise.
int readNumber(const QSettings& file, const QString& key, int low, int high, int fallback) {
    if (!file.contains(key)) return fallback;
    bool ok = false;
    const int value = file.value(key).toString().trimmed().toInt(&ok);
    if (ok && value >= low && value <= high) return value;
    std::fprintf(stderr, "%s: %s = \"%s\" is not a number from %d to %d; using %d\n",
                 qPrintable(file.fileName()), qPrintable(key),
                 qPrintable(file.value(key).toString()), low, high, fallback);
    return fallback;
}

}  // namespace

QString userSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/lumatrone/lumatrone.conf";
}

UserSettings readUserSettings(const QString& path) {
    UserSettings settings;
    const QSettings file(path, QSettings::IniFormat);
    settings.outputLatencyMs =
        readNumber(file, "audio/output-latency-ms", 0, 2000, settings.outputLatencyMs);
    settings.syncLatencyMs =
        readNumber(file, "sync/latency-ms", -1000, 1000, settings.syncLatencyMs);
    return settings;
}

}  // namespace luma
