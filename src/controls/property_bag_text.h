#pragma once

#include <QString>

#include "controls/property_bag.h"

namespace luma {

// The plain-text form of a property bag, as used by the deck's design description file.
// One `Key = Value` per line; blank lines and lines starting with # or ' are ignored.
// Values:
//   &H00808000          hex int (colours are 0x00BBGGRR)
//   15, -3              decimal int
//   True, False         bool (any case)
//   "Play"              string; write "" for a quote inside
//   "Tahoma", 9.75, bold     font: face, point size, bold|normal, then an optional
//                            charset number that is accepted and ignored
// A later line for the same key (in any case) replaces the earlier one.

// Adds the lines' entries to bag. On a malformed line returns false, leaves bag with the
// entries read so far and, if error is given, describes the line.
bool readPropertyBagText(const QString& text, PropertyBag& bag, QString* error = nullptr);

// The bag in the same form; ints under keys ending in "Color" are written in hex.
QString propertyBagToText(const PropertyBag& bag);

}  // namespace luma
