// The deck's number texts: single-precision values in their shortest form,
// rounding to a few decimals, and the time text of a position.
#pragma once

#include <QString>

namespace luma {

// The number a text starts with, as a lenient reader of numbers takes it
// (blanks, a sign, digits with a point: "2 " gives 2, "124 BPM" 124); 0
// when there is none.
double leadingNumber(const QString& text);

// A single-precision value as the shortest text of its seven significant
// digits, all a single holds: 124, 129.6, -1.24; 120.00001f (what -100 x
// -1.2 makes in single precision) reads 120; minus zero is "0".
QString singleText(float value);

// `value` rounded to two decimals (halves away from zero), as a single.
float roundedToHundredths(float value);

// Minutes, colon, seconds, comma, milliseconds: 03:07,250 for 187.25 s.
// Minutes and seconds are whole (the minutes round down, so -1 s shows
// -01:59); the milliseconds are rounded on their own, so 59.9996 s shows
// 00:59,000.
QString timeText(float seconds);

}  // namespace luma
