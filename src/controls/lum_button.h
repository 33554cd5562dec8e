#pragma once

#include <QFont>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QShortcut;
class QTimer;

namespace luma {

class PropertyBag;
class ShapeWidget;

// The deck's push button: a surface (PClip) holding a shaped body (shpButton), a centred
// one-line caption (lblCaption) and a lamp (shpDot) that lights in OverColor while the
// pointer is over the surface, watched by a 10 ms poll (tmrOver).
// Colours are 0x00BBGGRR ints. Sizes and positions are pixels.
class LumButton : public QWidget {
    Q_OBJECT

  public:
    explicit LumButton(QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    std::int16_t borderSize() const { return m_borderSize; }
    void setBorderSize(std::int16_t size);
    int backColor() const { return m_backColor; }
    void setBackColor(int colour);
    int foreColor() const { return m_foreColor; }
    void setForeColor(int colour);
    int borderColor() const { return m_borderColor; }
    void setBorderColor(int colour);
    int dotColor() const { return m_dotColor; }
    void setDotColor(int colour);
    int fillColor() const { return m_fillColor; }
    void setFillColor(int colour);
    int overColor() const { return m_overColor; }
    void setOverColor(int colour);
    QFont fontType() const { return m_fontType; }
    void setFontType(const QFont& font);  // takes the face name only
    std::int16_t dotX() const { return m_dotX; }
    void setDotX(std::int16_t x);
    std::int16_t dotY() const { return m_dotY; }
    void setDotY(std::int16_t y);
    std::int16_t dotWidth() const { return m_dotWidth; }
    void setDotWidth(std::int16_t width);
    std::int16_t dotHeight() const { return m_dotHeight; }
    void setDotHeight(std::int16_t height);
    std::int32_t buttonShape() const { return m_buttonShape; }
    void setButtonShape(std::int32_t kind);
    std::int32_t dotShape() const { return m_dotShape; }
    void setDotShape(std::int32_t kind);

    // Values go into the members; the elements take them at the next layout.
    void restore(const PropertyBag& bag);
    // Writes only what differs from the defaults, and clears propertiesChanged().
    void save(PropertyBag& bag);
    bool propertiesChanged() const { return m_propertiesChanged; }

    QFont defaultFont() const { return m_defaultFont; }

    // Where the hover poll reads the pointer; QCursor::pos() unless replaced.
    void setCursorPositionSource(std::function<QPoint()> source);

    QWidget* pClip() const { return m_pClip; }
    ShapeWidget* shpButton() const { return m_shpButton; }
    QLabel* lblCaption() const { return m_lblCaption; }
    ShapeWidget* shpDot() const { return m_shpDot; }
    QTimer* tmrOver() const { return m_tmrOver; }

  signals:
    void click();
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int button, int shift, float x, float y);
    void mouseLeft();
    void mouseUp(int button, int shift, float x, float y);
    void keyDown(int keyCode, int shift);
    void keyPress(int keyAscii);
    void keyUp(int keyCode, int shift);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildElements();
    void applyLayout();
    void applyCaptionText();
    void setCaptionColour(const QColor& colour);
    void setSurfaceColour(const QColor& colour);
    void setCaptionPointSize(double pointSize);
    void centreCaption();
    void markChanged() { m_propertiesChanged = true; }

    void pressOn(QWidget* element, const QMouseEvent& event);
    void releaseOn(QWidget* element, const QMouseEvent& event);
    void pollPointer();

    QString m_caption;
    std::int16_t m_borderSize;
    int m_backColor;
    int m_foreColor;
    int m_borderColor;
    int m_dotColor;
    int m_fillColor;
    int m_overColor;
    QFont m_defaultFont;
    QFont m_fontType;
    bool m_enabled;
    std::int16_t m_dotX;
    std::int16_t m_dotY;
    std::int16_t m_dotWidth;
    std::int16_t m_dotHeight;
    std::int32_t m_buttonShape;
    std::int32_t m_dotShape;
    bool m_propertiesChanged = false;

    QWidget* m_pClip = nullptr;
    ShapeWidget* m_shpButton = nullptr;
    QLabel* m_lblCaption = nullptr;
    ShapeWidget* m_shpDot = nullptr;
    QTimer* m_tmrOver = nullptr;
    QShortcut* m_accessKey = nullptr;
    QWidget* m_pressedElement = nullptr;
    std::function<QPoint()> m_cursorPosition;
};

}  // namespace luma
