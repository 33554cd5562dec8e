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

// A number in [low, high]; `fallback` (and a line on stderr) otherwise.
double readDecimal(const QSettings& file, const QString& key, double low, double high,
                   double fallback) {
    if (!file.contains(key)) return fallback;
    bool ok = false;
    const double value = file.value(key).toString().trimmed().toDouble(&ok);
    if (ok && value >= low && value <= high) return value;
    std::fprintf(stderr, "%s: %s = \"%s\" is not a number from %g to %g; using %g\n",
                 qPrintable(file.fileName()), qPrintable(key),
                 qPrintable(file.value(key).toString()), low, high, fallback);
    return fallback;
}

// on/off (also yes/no, true/false, 1/0); `fallback` (and a line on stderr) otherwise.
bool readSwitch(const QSettings& file, const QString& key, bool fallback) {
    if (!file.contains(key)) return fallback;
    const QString value = file.value(key).toString().trimmed().toLower();
    if (value == "on" || value == "yes" || value == "true" || value == "1") return true;
    if (value == "off" || value == "no" || value == "false" || value == "0") return false;
    std::fprintf(stderr, "%s: %s = \"%s\" is neither on nor off; using %s\n",
                 qPrintable(file.fileName()), qPrintable(key),
                 qPrintable(file.value(key).toString()), fallback ? "on" : "off");
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
    settings.evenLoudness = readSwitch(file, "loudness/even", settings.evenLoudness);
    settings.loudnessTargetLufs =
        readDecimal(file, "loudness/target-lufs", -40.0, -5.0, settings.loudnessTargetLufs);
    settings.syncLatencyMs =
        readNumber(file, "sync/latency-ms", -1000, 1000, settings.syncLatencyMs);
    return settings;
}

}  // namespace luma
