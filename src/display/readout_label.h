// A one-line label for the readouts that change many times a second (the
// position is rewritten every 10 ms) and the captions and marquee beside
// them, which are repainted whenever a readout beneath them changes.
//
// A readout draws each character as a small picture of its glyphs, laid out
// (in the face's own or a fallback face) and rendered once: laying the whole
// text out afresh on every change was the window's largest drawing cost, and
// drawing glyph runs still cost more than the rest of a frame. It shows its
// panel through, as a transparent label does, but paints the panel's
// background itself, so the panel is not repainted beneath it.
//
// A caption keeps one picture of itself, drawn the ordinary way whenever its
// text or shape changes: the same pixels a label gives, kerning included.
#pragma once

#include <QHash>
#include <QImage>
#include <QLabel>

namespace luma {

class ReadoutLabel : public QLabel {
    Q_OBJECT

  public:
    enum Background { PaintsPanel, Transparent };
    ReadoutLabel(const QString& text, QWidget* panel, Background background);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Glyph {
        QImage picture;  // the glyphs in the text colour on a clear ground
        QPoint origin;   // where the pen's point on the baseline sits in the picture
        qreal advance = 0;
        qreal ascent = 0;
        qreal descent = 0;
    };
    const Glyph& glyph(QChar character);
    void paintCharacters(QPaintEvent* event);
    void paintPicture();

    QHash<QChar, Glyph> glyphs_;
    qreal glyphScale_ = 1;  // the pixel ratio the glyph pictures are made for
    bool paintsPanel_;

    QImage picture_;  // a caption as last drawn; null when it must be drawn again
    QString pictureText_;
    Qt::Alignment pictureAlignment_;
};

}  // namespace luma
