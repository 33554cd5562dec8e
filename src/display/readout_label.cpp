#include "display/readout_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace luma {

const ReadoutLabel::Glyph& ReadoutLabel::glyph(QChar character) {
    auto found = glyphs_.find(character);
    if (found == glyphs_.end()) {
        Glyph made{QStaticText(QString(character)),
                   QFontMetricsF(font()).horizontalAdvance(character)};
        made.text.setTextFormat(Qt::PlainText);
        made.text.prepare(QTransform(), font());
        found = glyphs_.insert(character, made);
    }
    return *found;
}

void ReadoutLabel::paintEvent(QPaintEvent* event) {
    const QString shown = text();
    // Anything but one line of plain Latin text is drawn the ordinary way:
    // other scripts need their characters shaped together.
    const bool latin = std::all_of(shown.begin(), shown.end(),
                                   [](QChar c) { return c.unicode() < 0x0300 && c != u'\n'; });
    if (!latin || textFormat() == Qt::RichText || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    qreal width = 0;
    for (const QChar character : shown) width += glyph(character).advance;
    const QFontMetricsF metrics(font());
    const QRectF room = contentsRect();
    qreal x = room.left();
    if (alignment() & Qt::AlignRight) x = room.right() + 1 - width;
    if (alignment() & Qt::AlignHCenter) x = room.left() + (room.width() - width) / 2;
    qreal y = room.top();
    if (alignment() & Qt::AlignBottom) y = room.bottom() + 1 - metrics.height();
    if (alignment() & Qt::AlignVCenter) y = room.top() + (room.height() - metrics.height()) / 2;

    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    for (const QChar character : shown) {
        const Glyph& drawn = glyph(character);
        painter.drawStaticText(QPointF(x, y), drawn.text);
        x += drawn.advance;
    }
}

void ReadoutLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) glyphs_.clear();
    QLabel::changeEvent(event);
}

}  // namespace luma
