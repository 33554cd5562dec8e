#include "display/readout_label.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace luma {

ReadoutLabel::ReadoutLabel(const QString& text, QWidget* panel, Background background)
    : QLabel(text, panel), paintsPanel_(background == PaintsPanel) {
    setAttribute(Qt::WA_OpaquePaintEvent, paintsPanel_);
}

const ReadoutLabel::Glyph& ReadoutLabel::glyph(QChar character) {
    auto found = glyphs_.find(character);
    if (found != glyphs_.end()) return *found;
    QTextLayout layout(QString(character), font());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return *glyphs_.insert(
        character, {layout.glyphRuns(), line.horizontalAdvance(), line.ascent(), line.descent()});
}

void ReadoutLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (paintsPanel_) {
        const QWidget* panel = parentWidget();
        painter.setBrushOrigin(-pos());  // the panel's gradient or texture lines up
        painter.fillRect(rect(), panel->palette().brush(panel->backgroundRole()));
    }
    const QString shown = text();
    // Anything but one line of plain text in a script drawn letter by letter
    // goes the ordinary way: other scripts shape their letters together.
    const bool plain =
        textFormat() != Qt::RichText && !wordWrap() &&
        std::all_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() < 0x0300; });
    if (!plain || shown.contains(QLatin1Char('\n'))) {
        painter.end();
        QLabel::paintEvent(event);
        return;
    }
    // The line as a label lays it out: as tall as its tallest face.
    qreal width = 0, ascent = 0, descent = 0;
    for (const QChar character : shown) {
        const Glyph& drawn = glyph(character);
        width += drawn.advance;
        ascent = std::max(ascent, drawn.ascent);
        descent = std::max(descent, drawn.descent);
    }
    const QRectF room = contentsRect();
    qreal x = room.left();
    if (alignment() & Qt::AlignRight) x = room.right() + 1 - width;
    if (alignment() & Qt::AlignHCenter) x = room.left() + (room.width() - width) / 2;
    qreal top = room.top();
    if (alignment() & Qt::AlignBottom) top = room.bottom() + 1 - (ascent + descent);
    if (alignment() & Qt::AlignVCenter) top = room.top() + (room.height() - ascent - descent) / 2;

    painter.setPen(palette().color(foregroundRole()));
    for (const QChar character : shown) {
        const Glyph& drawn = glyph(character);
        for (const QGlyphRun& run : drawn.runs) {
            painter.drawGlyphRun(QPointF(x, top + ascent - drawn.ascent), run);
        }
        x += drawn.advance;
    }
}

void ReadoutLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) glyphs_.clear();
    QLabel::changeEvent(event);
}

}  // namespace luma
