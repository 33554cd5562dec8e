#include "display/analyser_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace luma {

AnalyserBox::AnalyserBox(QWidget* parent) : QWidget(parent) {
    // The picture covers the whole box: nothing beneath needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AnalyserBox::setDIBits(const BitmapInfo& info, const uint8_t* bits) {
    if (info.bitCount != 8 || info.compression != 0 || info.width <= 0 || info.height == 0) return;
    if (picture_.size() != size()) {  // made once, at the box's size
        picture_ = QImage(size(), QImage::Format_RGB32);
        picture_.fill(Qt::black);
    }
    std::array<QRgb, 256> table;
    for (size_t i = 0; i < table.size(); ++i) {
        const auto& entry = info.colours[i];
        table[i] = qRgb(entry[2], entry[1], entry[0]);
    }
    const int rows = std::abs(info.height);
    const int stride = (info.width + 3) / 4 * 4;
    const int width = std::min(info.width, picture_.width());
    bool changed = false;
    for (int y = 0; y < std::min(rows, picture_.height()); ++y) {
        const int stored = info.height > 0 ? rows - 1 - y : y;
        const uint8_t* source = bits + static_cast<ptrdiff_t>(stored) * stride;
        auto* line = reinterpret_cast<QRgb*>(picture_.scanLine(y));
        for (int x = 0; x < width; ++x) {
            changed |= line[x] != table[source[x]];
            line[x] = table[source[x]];
        }
    }
    // A picture that did not change (a deck at rest) costs no paint.
    if (changed) update();
}

void AnalyserBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(event->rect(), Qt::black);
    } else {
        painter.drawImage(event->rect(), picture_, event->rect());
    }
}

void AnalyserBox::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(static_cast<int>(event->button()));
}

}  // namespace luma
