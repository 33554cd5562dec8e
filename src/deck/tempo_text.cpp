#include "deck/tempo_text.h"

#include <QLocale>
#include <cmath>

namespace luma {

QString tempoText(double bpm) {
    const QLocale locale;
    QString text = locale.toString(std::fabs(bpm), 'f', 3);
    text.remove(locale.groupSeparator());
    const int whole = static_cast<int>(text.indexOf(locale.decimalPoint()));
    if (whole < 3) text.prepend(QString(3 - whole, '0'));
    return bpm < 0 && std::round(bpm * 1000.0) != 0.0 ? "-" + text : text;
}

}  // namespace luma
