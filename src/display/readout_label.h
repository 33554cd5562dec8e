// A one-line label for the readouts that change many times a second (the
// position is rewritten every 10 ms). It paints its own background, so the
// panel and the captions beneath it are not repainted with it, and it draws
// each character from laid-out glyphs kept from earlier paints: shaping the
// whole text afresh on every change was the window's largest drawing cost.
#pragma once

#include <QHash>
#include <QLabel>
#include <QStaticText>

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
        QStaticText text;
        qreal advance = 0;
    };
    const Glyph& glyph(QChar character);

    QHash<QChar, Glyph> glyphs_;
};

}  // namespace luma
