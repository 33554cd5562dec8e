#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

namespace luma {

// A filled, bordered outline (body or lamp). It lets the mouse through to the surface
// beneath, and setters ignore unchanged values so layout passes cause no repaint storms.
class ShapeWidget : public QWidget {
    Q_OBJECT

  public:
    explicit ShapeWidget(QWidget* parent = nullptr);

    int shapeKind() const { return m_shapeKind; }
    void setShapeKind(int kind);
    QColor fillColour() const { return m_fillColour; }
    void setFillColour(const QColor& colour);
    QColor borderColour() const { return m_borderColour; }
    void setBorderColour(const QColor& colour);
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    // Draws the shape into `area` of the painter's device: the widget's own
    // paint, or a box that draws its hidden shapes itself.
    void paintShape(QPainter& painter, const QRect& area) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void updateOpacity();

    int m_shapeKind = 0;
    QColor m_fillColour = Qt::white;
    QColor m_borderColour = Qt::black;
    int m_borderWidth = 1;
};

}  // namespace luma
