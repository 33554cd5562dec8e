#include "controls/shape_widget.h"

#include <QPainter>
#include <QPen>

#include "controls/shape_kind.h"

namespace luma {

ShapeWidget::ShapeWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::setShapeKind(int kind) {
    if (kind == m_shapeKind) return;
    m_shapeKind = kind;
    update();
}

void ShapeWidget::setFillColour(const QColor& colour) {
    if (colour == m_fillColour) return;
    m_fillColour = colour;
    update();
}

void ShapeWidget::setBorderColour(const QColor& colour) {
    if (colour == m_borderColour) return;
    m_borderColour = colour;
    update();
}

void ShapeWidget::setBorderWidth(int width) {
    if (width == m_borderWidth) return;
    m_borderWidth = width;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the whole pen inside the widget: inset by half the border width.
    const double inset = m_borderWidth > 0 ? m_borderWidth / 2.0 : 0.0;
    const QRectF area = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (m_borderWidth > 0) {
        painter.setPen(QPen(m_borderColour, m_borderWidth));
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(m_fillColour);
    painter.drawPath(shapePath(m_shapeKind, area));
}

}  // namespace luma
