#include "display/number_text.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace luma {

namespace {

// A whole number with at least two digits, a minus sign before them.
QString twoDigits(double whole) {
    const auto value = static_cast<long long>(whole);
    const QString digits = QString::number(std::llabs(value)).rightJustified(2, '0');
    return value < 0 ? "-" + digits : digits;
}

}  // namespace

double leadingNumber(const QString& text) {
    static const QRegularExpression number(R"(^\s*[+-]?(\d+\.?\d*|\.\d+))");
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

QString singleText(float value) {
    if (value == 0.0f) return "0";
    char text[32];
    constexpr int kSingleDigits = 7;
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, kSingleDigits);
    return QString::fromLatin1(text, static_cast<int>(result.ptr - text));
}

float roundedToHundredths(float value) {
    return static_cast<float>(std::round(static_cast<double>(value) * 100.0) / 100.0);
}

QString timeText(float seconds) {
    const float minutes = std::floor(seconds / 60.0f);
    const double wholeSeconds = std::floor(static_cast<double>(seconds)) - minutes * 60.0;
    const QString decimals = QString::number(static_cast<double>(seconds), 'f', 3).right(3);
    return twoDigits(minutes) + ":" + twoDigits(wholeSeconds) + "," + decimals;
}

}  // namespace luma
