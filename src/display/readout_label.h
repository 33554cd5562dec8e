// A one-line label for the readouts that change many times a second (the
// position is rewritten every 10 ms). It paints its own background, so the
// panel and the captions beneath it are not repainted with it, and it draws
// each character from a glyph looked up once: shaping the whole text afresh
// on every change was the window's largest drawing cost.
#pragma once

#include <QHash>
#include <QLabel>
#include <QRawFont>

namespace luma {

class ReadoutLabel : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Glyph {
        quint32 index = 0;  // 0: the face has none, the text is drawn the ordinary way
        qreal advance = 0;
    };
    Glyph glyph(QChar character);

    QRawFont face_;
    QHash<QChar, Glyph> glyphs_;
};

}  // namespace luma
