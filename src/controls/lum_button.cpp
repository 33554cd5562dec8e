#include "controls/lum_button.h"

#include <QCursor>
#include <QLabel>
#include <QShortcut>
#include <QTimer>

#include "controls/bgr_colour.h"
#include "controls/caption_text.h"
#include "controls/design_fonts.h"
#include "controls/lum_button_defaults.h"
#include "controls/shape_widget.h"

namespace luma {

namespace defaults = lum_button_defaults;

LumButton::LumButton(QWidget* parent)
    : QWidget(parent),
      m_caption(QString::fromLatin1(defaults::kCaption)),
      m_borderSize(defaults::kBorderSize),
      m_backColor(defaults::kBackColor),
      m_foreColor(defaults::kForeColor),
      m_borderColor(defaults::kBorderColor),
      m_dotColor(defaults::kDotColor),
      m_fillColor(defaults::kFillColor),
      m_overColor(defaults::kOverColor),
      m_defaultFont(defaultCaptionFont()),
      m_fontType(m_defaultFont),
      m_enabled(defaults::kEnabled),
      m_dotX(defaults::kDotX),
      m_dotY(defaults::kDotY),
      m_dotWidth(defaults::kDotWidth),
      m_dotHeight(defaults::kDotHeight),
      m_buttonShape(defaults::kButtonShape),
      m_dotShape(defaults::kDotShape),
      m_cursorPosition([] { return QCursor::pos(); }) {
    buildElements();
    applyLayout();
}

void LumButton::buildElements() {
    m_pClip = new QWidget(this);
    m_pClip->setObjectName(QStringLiteral("PClip"));
    m_pClip->setAutoFillBackground(true);
    m_pClip->setMouseTracking(true);  // hover starts on a plain move
    m_pClip->installEventFilter(this);

    // Creation order is stacking order: body, caption, then the lamp on top.
    m_shpButton = new ShapeWidget(m_pClip);
    m_shpButton->setObjectName(QStringLiteral("shpButton"));
    m_shpButton->setBorderWidth(defaults::kDesignBorderWidth);

    m_lblCaption = new QLabel(m_pClip);
    m_lblCaption->setObjectName(QStringLiteral("lblCaption"));
    m_lblCaption->setTextFormat(Qt::PlainText);
    m_lblCaption->setAlignment(Qt::AlignCenter);
    m_lblCaption->setWordWrap(false);
    m_lblCaption->setFont(m_defaultFont);
    // Tracking keeps moves over the caption from reaching the surface.
    m_lblCaption->setMouseTracking(true);
    m_lblCaption->installEventFilter(this);

    m_shpDot = new ShapeWidget(m_pClip);
    m_shpDot->setObjectName(QStringLiteral("shpDot"));
    m_shpDot->setBorderWidth(0);

    m_tmrOver = new QTimer(this);
    m_tmrOver->setObjectName(QStringLiteral("tmrOver"));
    m_tmrOver->setInterval(defaults::kHoverPollMs);
    connect(m_tmrOver, &QTimer::timeout, this, &LumButton::pollPointer);

    m_accessKey = new QShortcut(this);
    m_accessKey->setContext(Qt::WindowShortcut);
    connect(m_accessKey, &QShortcut::activated, this, &LumButton::click);
}

void LumButton::setCaption(const QString& caption) {
    m_caption = caption;
    markChanged();
    applyCaptionText();
}

void LumButton::setBorderSize(std::int16_t size) {
    m_borderSize = size;
    markChanged();
    m_shpButton->setBorderWidth(size);
}

void LumButton::setBackColor(int colour) {
    m_backColor = colour;
    markChanged();
    setSurfaceColour(colourFromBgr(colour));
}

void LumButton::setForeColor(int colour) {
    m_foreColor = colour;
    markChanged();
    setCaptionColour(colourFromBgr(colour));
}

void LumButton::setBorderColor(int colour) {
    m_borderColor = colour;
    markChanged();
    m_shpButton->setBorderColour(colourFromBgr(colour));
}

void LumButton::setDotColor(int colour) {
    m_dotColor = colour;
    markChanged();
    m_shpDot->setFillColour(colourFromBgr(colour));
}

void LumButton::setFillColor(int colour) {
    m_fillColor = colour;
    markChanged();
    m_shpButton->setFillColour(colourFromBgr(colour));
}

void LumButton::setOverColor(int colour) {
    m_overColor = colour;  // shows at the next hover poll
    markChanged();
}

void LumButton::setFontType(const QFont& font) {
    m_fontType.setFamily(font.family());
    markChanged();
    QFont captionFont = m_lblCaption->font();
    captionFont.setFamily(font.family());
    m_lblCaption->setFont(captionFont);
    centreCaption();
}

// The run-time dot setters place left from DotX and top from DotY; the layout swaps them.
void LumButton::setDotX(std::int16_t x) {
    m_dotX = x;
    markChanged();
    m_shpDot->move(x, m_shpDot->y());
}

void LumButton::setDotY(std::int16_t y) {
    m_dotY = y;
    markChanged();
    m_shpDot->move(m_shpDot->x(), y);
}

void LumButton::setDotWidth(std::int16_t width) {
    m_dotWidth = width;
    markChanged();
    m_shpDot->resize(width, m_shpDot->height());
}

void LumButton::setDotHeight(std::int16_t height) {
    m_dotHeight = height;
    markChanged();
    m_shpDot->resize(m_shpDot->width(), height);
}

void LumButton::setButtonShape(std::int32_t kind) {
    m_buttonShape = kind;
    markChanged();
    m_shpButton->setShapeKind(kind);
}

void LumButton::setDotShape(std::int32_t kind) {
    m_dotShape = kind;
    markChanged();
    m_shpDot->setShapeKind(kind);
}

void LumButton::setCursorPositionSource(std::function<QPoint()> source) {
    m_cursorPosition = std::move(source);
}

}  // namespace luma
