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
    const QList<QGlyphRun> runs = layout.glyphRuns();
    QRectF ink;  // around the pen's point on the baseline
    for (const QGlyphRun& run : runs) ink |= run.boundingRect().translated(0, -line.ascent());
    // A pixel of room on each side for the antialiased edges.
    const QRect room = ink.toAlignedRect().adjusted(-1, -1, 1, 1);
    const qreal scale = devicePixelRatioF();
    QImage picture((room.size() * scale).expandedTo(QSize(1, 1)),
                   QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(palette().color(foregroundRole()));
    for (const QGlyphRun& run : runs)
        painter.drawGlyphRun(QPointF(-room.left(), -room.top() - line.ascent()), run);
    painter.end();
    return *glyphs_.insert(character, {picture, -room.topLeft(), line.horizontalAdvance(),
                                       line.ascent(), line.descent()});
}

void ReadoutLabel::paintEvent(QPaintEvent* event) {
    if (paintsPanel_) {
        paintCharacters(event);
    } else {
        paintPicture();
    }
}

void ReadoutLabel::paintPicture() {
    const qreal scale = devicePixelRatioF();
    if (picture_.isNull() || pictureText_ != text() || pictureAlignment_ != alignment() ||
        picture_.size() != size() * scale) {
        picture_ = QImage(size() * scale, QImage::Format_ARGB32_Premultiplied);
        picture_.setDevicePixelRatio(scale);
        picture_.fill(Qt::transparent);
        // Drawn by a label like this one outside the window: a widget may
        // not draw itself while it paints.
        QLabel drawer(text());
        drawer.setAttribute(Qt::WA_DontShowOnScreen);
        drawer.setFont(font());
        drawer.setPalette(palette());
        drawer.setForegroundRole(foregroundRole());
        drawer.setTextFormat(textFormat());
        drawer.setWordWrap(wordWrap());
        drawer.setAlignment(alignment());
        drawer.setFrameStyle(frameStyle());
        drawer.setMargin(margin());
        drawer.setIndent(indent());
        drawer.setContentsMargins(contentsMargins());
        drawer.setEnabled(isEnabled());
        drawer.resize(size());
        drawer.render(&picture_, QPoint(), QRegion(), RenderFlags());
        pictureText_ = text();
        pictureAlignment_ = alignment();
    }
    QPainter(this).drawImage(0, 0, picture_);
}

void ReadoutLabel::paintCharacters(QPaintEvent* event) {
    QPainter painter(this);
    const QWidget* panel = parentWidget();
    painter.setBrushOrigin(-pos());  // the panel's gradient or texture lines up
    painter.fillRect(rect(), panel->palette().brush(panel->backgroundRole()));
    if (devicePixelRatioF() != glyphScale_) {  // moved to a screen of another density
        glyphs_.clear();
        glyphScale_ = devicePixelRatioF();
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

    const int baseline = qRound(top + ascent);
    for (const QChar character : shown) {
        const Glyph& drawn = glyph(character);
        painter.drawImage(QPoint(qRound(x), baseline) - drawn.origin, drawn.picture);
        x += drawn.advance;
    }
}

void ReadoutLabel::changeEvent(QEvent* event) {
    // The pictures hold the face, the colour and the look.
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::PaletteChange ||
        type == QEvent::EnabledChange || type == QEvent::StyleChange) {
        glyphs_.clear();
        picture_ = QImage();
    }
    QLabel::changeEvent(event);
}

}  // namespace luma
