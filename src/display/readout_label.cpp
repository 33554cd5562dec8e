#include "display/readout_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>

namespace luma {

ReadoutLabel::Glyph ReadoutLabel::glyph(QChar character) {
    auto found = glyphs_.find(character);
    if (found != glyphs_.end()) return *found;
    if (!face_.isValid()) face_ = QRawFont::fromFont(font());
    Glyph made;
    // Other scripts need their characters shaped together.
    if (character.unicode() < 0x0300 && face_.supportsCharacter(character)) {
        const QList<quint32> indexes = face_.glyphIndexesForString(QString(character));
        if (indexes.size() == 1)
            made = {indexes[0], QFontMetricsF(font()).horizontalAdvance(character)};
    }
    return *glyphs_.insert(character, made);
}

void ReadoutLabel::paintEvent(QPaintEvent* event) {
    const QString shown = text();
    QList<quint32> indexes;
    QList<QPointF> positions;
    qreal width = 0;
    bool plain = textFormat() != Qt::RichText && !wordWrap();
    for (const QChar character : shown) {
        if (!plain) break;
        const Glyph found = glyph(character);
        plain = found.index != 0;
        indexes.append(found.index);
        positions.append(QPointF(width, 0));
        width += found.advance;
    }
    if (!plain) {
        QLabel::paintEvent(event);
        return;
    }
    const QFontMetricsF metrics(font());
    const QRectF room = contentsRect();
    qreal x = room.left();
    if (alignment() & Qt::AlignRight) x = room.right() + 1 - width;
    if (alignment() & Qt::AlignHCenter) x = room.left() + (room.width() - width) / 2;
    qreal top = room.top();
    if (alignment() & Qt::AlignBottom) top = room.bottom() + 1 - metrics.height();
    if (alignment() & Qt::AlignVCenter) top = room.top() + (room.height() - metrics.height()) / 2;

    QGlyphRun run;
    run.setRawFont(face_);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawGlyphRun(QPointF(x, top + metrics.ascent()), run);
}

void ReadoutLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        face_ = QRawFont();
        glyphs_.clear();
    }
    QLabel::changeEvent(event);
}

}  // namespace luma
