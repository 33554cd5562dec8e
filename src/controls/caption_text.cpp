#include "controls/caption_text.h"

namespace luma {

QString captionDisplayText(const QString& caption) {
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) {
            shown.append(caption[i]);
        } else if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
            shown.append(QLatin1Char('&'));
            ++i;
        }
    }
    return shown;
}

QKeySequence captionAccessKey(const QString& caption) {
    return QKeySequence::mnemonic(caption);
}

}  // namespace luma
