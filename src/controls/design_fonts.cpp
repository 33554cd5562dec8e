#include "controls/design_fonts.h"

#include <QFile>
#include <QFontDatabase>

namespace luma {

namespace {

const char* const kWineFontDir = "/usr/share/wine/fonts/";
constexpr double kDesignPointSize = 9.75;

QString registerWineTahoma() {
    QString family;
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
        const QString path = QString::fromLatin1(kWineFontDir) + QLatin1String(file);
        if (!QFile::exists(path)) continue;  // stay quiet when fonts-wine is absent
        const int id = QFontDatabase::addApplicationFont(path);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (family.isEmpty() && !families.isEmpty()) family = families.first();
    }
    return family.isEmpty() ? QStringLiteral("Tahoma") : family;
}

}  // namespace

QString designFontFamily() {
    static const QString family = registerWineTahoma();
    return family;
}

QFont defaultCaptionFont() {
    QFont font(designFontFamily());
    font.setPointSizeF(kDesignPointSize);
    font.setBold(true);
    return font;
}

}  // namespace luma
