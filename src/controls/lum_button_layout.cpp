#include <QFontMetrics>
#include <QLabel>
#include <QShortcut>
#include <algorithm>

#include "controls/bgr_colour.h"
#include "controls/caption_text.h"
#include "controls/lum_button.h"
#include "controls/shape_widget.h"

namespace luma {

void LumButton::resizeEvent(QResizeEvent*) {
    applyLayout();
}

void LumButton::paintEvent(QPaintEvent*) {
    applyLayout();
}

// Runs on every resize and paint. Every element setter ignores unchanged values, so a
// pass from paintEvent does not schedule more paints. BorderSize, OverColor and FontType
// are deliberately left alone here: only their run-time setters show them.
void LumButton::applyLayout() {
    const int w = width();
    const int h = height();
    m_pClip->setGeometry(1, 1, w, h);

    m_shpButton->setGeometry(1, 1, std::max(0, w - 2), std::max(0, h - 2));
    m_shpButton->setBorderColour(colourFromBgr(m_borderColor));
    m_shpButton->setFillColour(colourFromBgr(m_fillColor));
    m_shpButton->setShapeKind(m_buttonShape);

    // Top from DotX and left from DotY: the deck's layouts were designed around this.
    m_shpDot->setFillColour(colourFromBgr(m_dotColor));
    m_shpDot->setGeometry(m_dotY, m_dotX, m_dotWidth, m_dotHeight);
    m_shpDot->setShapeKind(m_dotShape);

    centreCaption();
    setSurfaceColour(colourFromBgr(m_backColor));
    applyCaptionText();
    setCaptionColour(colourFromBgr(m_foreColor));
}

void LumButton::applyCaptionText() {
    const QString shown = captionDisplayText(m_caption);
    if (m_lblCaption->text() != shown) m_lblCaption->setText(shown);
    const QKeySequence key = captionAccessKey(m_caption);
    if (m_accessKey->key() != key) m_accessKey->setKey(key);
}

void LumButton::setCaptionColour(const QColor& colour) {
    if (m_lblCaption->palette().color(QPalette::WindowText) == colour) return;
    QPalette palette = m_lblCaption->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_lblCaption->setPalette(palette);
}

void LumButton::setSurfaceColour(const QColor& colour) {
    if (m_pClip->palette().color(QPalette::Window) == colour) return;
    QPalette palette = m_pClip->palette();
    palette.setColor(QPalette::Window, colour);
    m_pClip->setPalette(palette);
}

void LumButton::setCaptionPointSize(double pointSize) {
    QFont font = m_lblCaption->font();
    font.setPointSizeF(std::max(1.0, pointSize));
    m_lblCaption->setFont(font);
    centreCaption();
}

// One line tall for the current font, centred vertically on the body.
void LumButton::centreCaption() {
    const int captionHeight = QFontMetrics(m_lblCaption->font()).height();
    const int top = (m_shpButton->height() - captionHeight) / 2;
    m_lblCaption->setGeometry(2, top, std::max(0, m_shpButton->width() - 4), captionHeight);
}

}  // namespace luma
