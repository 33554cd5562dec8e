// The spectrum's picture box: shows an 8-bit palette picture copied into it
// in one call, and reports mouse presses on it.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>

namespace luma {

// An 8-bit picture's description in the desktop's published layout: the
// 40-byte header, then the colour table (blue, green, red, reserved).
struct BitmapInfo {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;  // positive: rows stored bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    uint32_t clrUsed = 0, clrImportant = 0;
    std::array<std::array<uint8_t, 4>, 257> colours{};
};

class AnalyserBox : public QWidget {
    Q_OBJECT

  public:
    explicit AnalyserBox(QWidget* parent = nullptr);

    // Copies an uncompressed 8-bit picture described by `info` to the box's
    // top-left corner (rows stored bottom-up for a positive height, each
    // padded to four bytes) and paints it once.
    void setDIBits(const BitmapInfo& info, const uint8_t* bits);
    // What the box shows.
    const QImage& picture() const { return picture_; }

  signals:
    void mouseDown(int button);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
};

}  // namespace luma
