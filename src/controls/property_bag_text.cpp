#include "controls/property_bag_text.h"

#include <QFont>
#include <QStringList>
#include <optional>

namespace luma {

namespace {

std::optional<QVariant> parseFontTail(const QString& face, const QString& tail) {
    const QStringList fields = tail.split(QLatin1Char(','));
    if (fields.isEmpty() || fields.size() > 3) return std::nullopt;
    bool sizeOk = false;
    const double pointSize = fields[0].trimmed().toDouble(&sizeOk);
    if (!sizeOk || pointSize <= 0) return std::nullopt;
    QFont font(face);
    font.setPointSizeF(pointSize);
    if (fields.size() >= 2) {
        const QString weight = fields[1].trimmed().toLower();
        if (weight != QLatin1String("bold") && weight != QLatin1String("normal")) {
            return std::nullopt;
        }
        font.setBold(weight == QLatin1String("bold"));
    }
    if (fields.size() == 3) {
        bool charsetOk = false;
        fields[2].trimmed().toInt(&charsetOk);
        if (!charsetOk) return std::nullopt;
    }
    return QVariant::fromValue(font);
}

// A quoted string, or a font when fields follow the closing quote.
std::optional<QVariant> parseQuoted(const QString& value) {
    QString text;
    qsizetype i = 1;
    for (; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('"')) {
            text.append(value[i]);
        } else if (i + 1 < value.size() && value[i + 1] == QLatin1Char('"')) {
            text.append(QLatin1Char('"'));
            ++i;
        } else {
            break;
        }
    }
    if (i >= value.size()) return std::nullopt;  // no closing quote
    const QString rest = value.mid(i + 1).trimmed();
    if (rest.isEmpty()) return QVariant(text);
    if (!rest.startsWith(QLatin1Char(','))) return std::nullopt;
    return parseFontTail(text, rest.mid(1));
}

std::optional<QVariant> parseValue(const QString& value) {
    if (value.startsWith(QLatin1Char('"'))) return parseQuoted(value);
    if (value.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        bool ok = false;
        const uint bits = value.mid(2).toUInt(&ok, 16);
        if (ok) return QVariant(static_cast<int>(bits));
        return std::nullopt;
    }
    if (value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return QVariant(true);
    if (value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return QVariant(false);
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok) return QVariant(number);
    return std::nullopt;
}

QString quoted(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString valueToText(const QString& key, const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::Int:
            if (key.endsWith(QLatin1String("Color"), Qt::CaseInsensitive)) {
                const QString hex = QString::number(static_cast<uint>(value.toInt()), 16);
                return QStringLiteral("&H") + hex.rightJustified(8, QLatin1Char('0')).toUpper();
            }
            return QString::number(value.toInt());
        case QMetaType::QFont: {
            const QFont font = value.value<QFont>();
            return quoted(font.family()) + QStringLiteral(", ") +
                   QString::number(font.pointSizeF()) +
                   (font.bold() ? QStringLiteral(", bold") : QStringLiteral(", normal"));
        }
        default:
            return quoted(value.toString());
    }
}

}  // namespace

bool readPropertyBagText(const QString& text, PropertyBag& bag, QString* error) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int number = 1; number <= lines.size(); ++number) {
        const QString line = lines[number - 1].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char('\''))) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = equals > 0 ? line.left(equals).trimmed() : QString();
        const auto value =
            key.isEmpty() ? std::nullopt : parseValue(line.mid(equals + 1).trimmed());
        if (!value) {
            if (error) *error = QStringLiteral("line %1: cannot read \"%2\"").arg(number).arg(line);
            return false;
        }
        bag.writeProperty(key, *value, QVariant());
    }
    return true;
}

QString propertyBagToText(const PropertyBag& bag) {
    QString text;
    for (const QString& key : bag.keys()) {
        text += key + QStringLiteral(" = ") + valueToText(key, bag.readProperty(key, {})) +
                QLatin1Char('\n');
    }
    return text;
}

}  // namespace luma
