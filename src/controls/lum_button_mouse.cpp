#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include "controls/bgr_colour.h"
#include "controls/lum_button.h"
#include "controls/mouse_codes.h"
#include "controls/shape_widget.h"

namespace luma {

namespace {

constexpr double kPressShrinkPoints = 2.0;
constexpr double kReleasedPointSize = 10.0;

}  // namespace

bool LumButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_pClip && watched != m_lblCaption) return QWidget::eventFilter(watched, event);
    auto* element = static_cast<QWidget*>(watched);
    switch (event->type()) {
        // Qt turns the second of two quick presses into a double click: for a
        // button under a DJ's finger (pitch taps, CUE, fine trims) it is one
        // more press like any other.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            pressOn(element, *static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            releaseOn(element, *static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseMove:
            if (element == m_pClip && !m_tmrOver->isActive()) m_tmrOver->start();
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

// The event goes out before the look changes, so a slow handler delays the pressed look.
void LumButton::pressOn(QWidget* element, const QMouseEvent& event) {
    m_pressedElement = element;
    const QPointF at = event.position();
    emit mouseDown(mouseButtonCode(event.button()), shiftStateCode(event.modifiers()),
                   static_cast<float>(at.x()), static_cast<float>(at.y()));
    setCaptionPointSize(m_lblCaption->font().pointSizeF() - kPressShrinkPoints);
}

void LumButton::releaseOn(QWidget* element, const QMouseEvent& event) {
    const QPointF at = event.position();
    emit mouseUp(mouseButtonCode(event.button()), shiftStateCode(event.modifiers()),
                 static_cast<float>(at.x()), static_cast<float>(at.y()));
    setCaptionPointSize(kReleasedPointSize);
    const bool clicked = m_pressedElement == element && event.button() == Qt::LeftButton &&
                         element->rect().contains(at.toPoint());
    m_pressedElement = nullptr;
    if (clicked) emit click();
}

// Right and bottom edges are outside: QRect::contains stops one pixel short of them.
void LumButton::pollPointer() {
    const QRect surface(m_pClip->mapToGlobal(QPoint(0, 0)), m_pClip->size());
    if (surface.contains(m_cursorPosition())) {
        m_shpDot->setFillColour(colourFromBgr(m_overColor));
        return;
    }
    m_shpDot->setFillColour(colourFromBgr(m_dotColor));
    m_shpDot->repaint();
    m_tmrOver->stop();
    emit mouseLeft();
}

}  // namespace luma
