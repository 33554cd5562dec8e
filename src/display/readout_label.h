// A one-line label for the readouts that change many times a second (the
// position is rewritten every 10 ms) and the captions beside them. It draws
// each character from glyphs laid out once (the face's own or a fallback
// face's): laying the whole text out afresh on every change was the window's
// largest drawing cost. A readout shows its panel through, as a transparent
// label does, but paints the panel's background itself, so the panel is not
// repainted beneath it on every change.
#pragma once

#include <QGlyphRun>
#include <QHash>
#include <QLabel>
#include <QList>

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
        QList<QGlyphRun> runs;  // placed on a baseline at `ascent`
        qreal advance = 0;
        qreal ascent = 0;
        qreal descent = 0;
    };
    const Glyph& glyph(QChar character);

    QHash<QChar, Glyph> glyphs_;
    bool paintsPanel_;
};

}  // namespace luma
