#include "controls/shape_widget.h"

#include <QPainter>
#include <QPen>

#include "controls/shape_kind.h"

namespace luma {

ShapeWidget::ShapeWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    updateOpacity();
}

void ShapeWidget::setShapeKind(int kind) {
    if (kind == m_shapeKind) return;
    m_shapeKind = kind;
    updateOpacity();
}

void ShapeWidget::setFillColour(const QColor& colour) {
    if (colour == m_fillColour) return;
    m_fillColour = colour;
    updateOpacity();
}

void ShapeWidget::setBorderColour(const QColor& colour) {
    if (colour == m_borderColour) return;
    m_borderColour = colour;
    updateOpacity();
}

void ShapeWidget::setBorderWidth(int width) {
    if (width == m_borderWidth) return;
    m_borderWidth = width;
    updateOpacity();
}

void ShapeWidget::updateOpacity() {
    // A rectangle that covers all of itself spares the window painting what
    // lies beneath it.
    const bool covers = m_shapeKind == static_cast<int>(ShapeKind::Rectangle) &&
                        m_fillColour.alpha() == 255 &&
                        (m_borderWidth == 0 || m_borderColour.alpha() == 255);
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintShape(painter, rect());
}

void ShapeWidget::paintShape(QPainter& painter, const QRect& area) const {
    // A plain rectangle is filled and outlined pixel by pixel, the same
    // pixels the outline path gives for a thin border at a fraction of the
    // cost: the level meter's bars and marks move many times a second.
    if (m_shapeKind == static_cast<int>(ShapeKind::Rectangle) && m_borderWidth <= 1) {
        painter.fillRect(area, m_fillColour);
        if (m_borderWidth == 1) {
            painter.setPen(m_borderColour);
            painter.drawRect(area.adjusted(0, 0, -1, -1));
        }
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the whole pen inside the area: inset by half the border width.
    const double inset = m_borderWidth > 0 ? m_borderWidth / 2.0 : 0.0;
    const QRectF inside = QRectF(area).adjusted(inset, inset, -inset, -inset);
    if (m_borderWidth > 0) {
        painter.setPen(QPen(m_borderColour, m_borderWidth));
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(m_fillColour);
    painter.drawPath(shapePath(m_shapeKind, inside));
    painter.restore();
}

}  // namespace luma
