#include "settings/config_reader.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <limits>

#include "loading/file_names.h"
#include "settings/item_reader.h"

namespace luma {
namespace {

constexpr int kSettingsLines = 38;
// Lines 10 to 35 of the settings file belong to features this deck lacks.
constexpr int kUnusedLinesBeforeMusicFolder = 26;

// A name shown or matched as text: the bytes of an older file that are not
// UTF-8 read as the Windows-1252 characters they most likely were.
QString text(const QString& item) {
    return displayFileName(item);
}

bool isOn(const QString& item) {
    return item == u"ON";
}

void skipItems(ItemReader& reader, int count) {
    for (int i = 0; i < count; ++i) reader.nextOrEmpty();
}

// Both decks share one file layout; each takes its own column of the paired lines.
DeckSettings readDeckSettings(ItemReader& reader, bool deckOne) {
    DeckSettings settings;
    settings.showBpm = isOn(reader.nextOrEmpty());
    skipItems(reader, 1);
    settings.joystickTimer = isOn(reader.nextOrEmpty());
    settings.touchMode = isOn(reader.nextOrEmpty()) ? 1 : 0;
    skipItems(reader, 1);
    const qint16 soundDeviceOne = readSettingNumber(reader.nextOrEmpty());
    const qint16 soundDeviceTwo = readSettingNumber(reader.nextOrEmpty());
    settings.soundDevice = deckOne ? soundDeviceOne : soundDeviceTwo;
    const QString midiOne = text(reader.nextOrEmpty());
    const QString midiTwo = text(reader.nextOrEmpty());
    settings.midiDeviceName = deckOne ? midiOne : midiTwo;
    skipItems(reader, kUnusedLinesBeforeMusicFolder);
    settings.musicFolder = reader.nextOrEmpty();
    const QString joystickOne = reader.nextOrEmpty();
    const QString joystickTwo = reader.nextOrEmpty();
    settings.joystickNumber = deckOne ? joystickOne : joystickTwo;
    return settings;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

ConfigResult readConfig(const QString& programFolder, const QString& commandLine) {
    const QDir folder(programFolder);
    ConfigResult result;

    ItemReader settingsFile(settingsFilePath(programFolder, commandLine), kSettingsLines);
    result.settingsFileOpened = settingsFile.opened();
    result.settings = readDeckSettings(settingsFile, commandLine == u"1");

    ItemReader stylesFile(folder.filePath(QStringLiteral("styles.ini")), kGenreCount);
    result.genreNames.reserve(kGenreCount);
    for (int genre = 0; genre < kGenreCount; ++genre)
        result.genreNames.append(text(stylesFile.nextOrEmpty()));
    return result;
}

QString settingsFilePath(const QString& programFolder, const QString& commandLine) {
    const QString name = QStringLiteral("deck%1.ini").arg(commandLine);
    const QString users = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                          "/lumatrone/" + name;
    return QFileInfo::exists(users) ? users : QDir(programFolder).filePath(name);
}

qint16 readSettingNumber(const QString& text) {
    // Rounds on the decimal digits themselves, so "2.5000000000000000001" is
    // above the half even though a double would see exactly 2.5.
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';

    // Anything past this saturates anyway; capping keeps the sum from overflowing.
    constexpr qint64 kMagnitudeCap = qint64(1) << 32;
    qint64 magnitude = 0;
    bool anyDigit = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = std::min(magnitude * 10 + text[i].digitValue(), kMagnitudeCap);
        anyDigit = true;
    }

    int firstFractionDigit = 0;
    bool nonZeroAfterFirst = false;
    if (i < text.size() && text[i] == u'.') {
        bool first = true;
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            if (first)
                firstFractionDigit = text[i].digitValue();
            else if (text[i] != u'0')
                nonZeroAfterFirst = true;
            first = false;
            anyDigit = true;
        }
    }
    if (!anyDigit) return 0;

    const bool aboveHalf = firstFractionDigit > 5 || (firstFractionDigit == 5 && nonZeroAfterFirst);
    const bool exactHalf = firstFractionDigit == 5 && !nonZeroAfterFirst;
    if (aboveHalf || (exactHalf && magnitude % 2 == 1)) ++magnitude;

    const qint64 value = negative ? -magnitude : magnitude;
    return static_cast<qint16>(std::clamp<qint64>(value, std::numeric_limits<qint16>::min(),
                                                  std::numeric_limits<qint16>::max()));
}

}  // namespace luma
