#include "display/status_displays.h"

#include <QLocale>
#include <cmath>

namespace luma {

namespace {

constexpr int kScrollStep = 8;
constexpr int kScrollReentry = 384;
constexpr int kCreepStep = 2;
constexpr int kCreepWrapHeights = 20;
constexpr int kCreepReentryHeights = 5;

}  // namespace

QString cpuText(float percent) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const double shown = std::isfinite(percent) ? percent : 0.0;
    return locale.toString(shown, 'f', 1) + " %";
}

void scrollFileName(QLabel& label) {
    int left = label.x() - kScrollStep;
    if (left < -label.width()) left = kScrollReentry;
    label.move(left, label.y());
}

void creepFileName(QLabel& label, const QWidget& box) {
    if (label.width() <= box.width()) return;
    int left = label.x() - kCreepStep;
    if (left < -kCreepWrapHeights * label.height()) left = kCreepReentryHeights * box.height();
    label.move(left, label.y());
}

}  // namespace luma
