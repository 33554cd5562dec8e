#pragma once

#include <QKeySequence>
#include <QString>

namespace luma {

// A caption as shown: a lone & marks the access key and is dropped, && shows one &.
QString captionDisplayText(const QString& caption);

// The access key a caption's & makes (Alt+letter), or an empty sequence.
QKeySequence captionAccessKey(const QString& caption);

}  // namespace luma
