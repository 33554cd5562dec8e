// The displays as the user sees them, against the recording engine: the spectrogram and
// the bars, the level meter, the load, the marquees and the readouts' text.
#include <QLocale>
#include <QTest>

#include "deck_fixture.h"

namespace luma::test {
namespace {

class DisplaysTest : public FrmMainTest {
  public:
    void SetUp() override {
        FrmMainTest::SetUp();
        deck = makeDeck("1");
    }
    QRgb pixel(int column, int row) {  // row 0 is the picture's bottom line
        const QImage& picture = deck->pctSpectrum->picture();
        return picture.pixel(column, picture.height() - 1 - row);
    }
};

TEST_F(DisplaysTest, SpectrogramPaintsOneColumnATickAndWrapsWithItsMarker) {
    const QRgb black = qRgb(0, 0, 0), marker = qRgb(255, 255, 248);
    audioView->spectrum.assign(1024, 0.0f);
    audioView->spectrum[1] = 0.01f;  // bin 1, row 0: 0.1 x 3 x 127 = 38, blue-magenta 166
    audioView->spectrum[2] = 1.0f;   // bin 2, row 1: past the top, saturated
    QTest::mouseClick(deck->pctSpectrum, Qt::RightButton);
    EXPECT_EQ(deck->lblVU->text(), "Spectrum Analyzer");

    deck->tmrSpectrum_Timer();
    EXPECT_EQ(pixel(0, 1), marker);
    for (int row = 0; row < 101; ++row) EXPECT_EQ(pixel(1, row), row % 2 ? black : marker);

    for (int tick = 1; tick < 88; ++tick) deck->tmrSpectrum_Timer();
    EXPECT_EQ(pixel(87, 0), qRgb(48, 0, 255));
    EXPECT_EQ(pixel(0, 0), marker);  // the sweep wrapped: the marker is back in column 0

    QTest::mouseClick(deck->pctSpectrum, Qt::LeftButton);
    EXPECT_EQ(deck->lblVU->text(), "Oscilloscope");
    // Bin b: column 2 (b - 1), sqrt(m) x 3 x 101 rows high; the column between is the average.
    audioView->spectrum.assign(1024, 0.0f);
    audioView->spectrum[20] = 0.05f;
    audioView->spectrum[19] = audioView->spectrum[21] = 0.025f;
    deck->tmrSpectrum_Timer();
    for (auto [column, top] : {std::pair{36, 48}, {37, 58}, {38, 68}}) {
        EXPECT_NE(pixel(column, top), black) << column;
        EXPECT_EQ(pixel(column, top + 1), black) << column;
    }
    audioView->spectrum.clear();  // not playing: every bar rests on its bottom row
    deck->tmrSpectrum_Timer();
    for (int column = 0; column < 88; ++column) {
        EXPECT_EQ(pixel(column, 0) != black, column < 87) << column;
        EXPECT_EQ(pixel(column, 1), black) << column;
    }
}

TEST_F(DisplaysTest, MeterRisesCrossWiredFallsAtItsPaceAndHidesWhenNothingPlays) {
    audioView->level = 64u | (127u << 16);  // left 50 %, right 100 %
    deck->state.VuPeakLeft = deck->state.VuPeakRight = 1;
    deck->FXTimer1_Timer();
    // The first row of a colour in the left (x 5) or right (x 17) column, as shown.
    auto firstRow = [&](int x, QColor colour) {
        const QImage box = deck->pctVU->grab().toImage();
        for (int y = 0; y < box.height(); ++y) {
            if (box.pixelColor(x, y) == colour) return y;
        }
        return -1;
    };
    const QColor green(0, 0xC0, 0), red(0xFF, 0, 0);
    EXPECT_EQ(firstRow(5, green), 6);  // the left column shows the high word
    EXPECT_EQ(firstRow(17, green), 56);
    EXPECT_EQ(firstRow(5, red), 1);  // inside the mark's dark outline
    EXPECT_EQ(firstRow(17, red), 51);
    EXPECT_TRUE(deck->tmrVUReset->enabled());

    for (int tick = 0; tick < 10; ++tick) deck->tmrVU_Timer();
    EXPECT_FLOAT_EQ(deck->vuMeter->top(VuMeter::kRightMark), 60.0f);  // 1 a tick
    audioView->level = 32u | (32u << 16);
    deck->FXTimer1_Timer();              // below the registered peaks: nothing rises
    EXPECT_EQ(deck->shpVU(0)->y(), 31);  // the bar fell 2.5 a tick
    deck->tmrVUReset_Timer();
    deck->FXTimer1_Timer();  // peaks cleared: the lower level registers
    EXPECT_EQ(deck->shpVU(0)->y(), 81);

    for (int tick = 0; tick < 100; ++tick) deck->tmrVU_Timer();
    EXPECT_FLOAT_EQ(deck->vuMeter->top(VuMeter::kLeftBar), 96.0f);  // resting, a sliver shows
    audioView->level = UINT32_MAX;
    deck->FXTimer1_Timer();
    EXPECT_EQ(deck->shpVU(0)->y(), 101);  // below the box: out of sight
    EXPECT_EQ(deck->shpVU(1)->y(), 101);
}

TEST_F(DisplaysTest, MarqueesWrapWhereTheNameLeavesTheBox) {
    struct Case {
        bool slow;  // tmrScroll, else tmrFilename
        int width, left, expectedLeft;
    };
    const Case cases[] = {
        {true, 500, -499, 384},                           // left completely: back at the right edge
        {true, 500, 100, 92},   {false, 500, -599, 445},  // 20 heights of 30: 5 box heights
        {false, 500, 10, 8},    {false, 382, 10, 10},     // a name that fits stays
    };
    QLabel* name = deck->lblFileName;
    for (const Case& c : cases) {
        name->setGeometry(c.left, name->y(), c.width, 30);
        c.slow ? deck->tmrScroll_Timer() : deck->tmrFilename_Timer();
        EXPECT_EQ(name->x(), c.expectedLeft) << c.slow << " " << c.width << " " << c.left;
    }
}

TEST_F(DisplaysTest, ReadoutsShowWholeValuesTheUsersDecimalsAndDrawWhereALabelWould) {
    QLocale::setDefault(QLocale(QLocale::German));
    audioView->cpu = 12.34f;
    deck->tmrCPU_Timer();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(deck->lblCPU->text(), "12,3 %");
    const std::pair<QLabel*, QString> widest[] = {
        {deck->lblinfo(10), "5000"}, {deck->lblCPU, "12.3 %"}, {deck->lblVU, "Spectrum Analyzer"}};
    for (const auto& [readout, text] : widest) {
        readout->setText(text);
        EXPECT_LE(readout->sizeHint().width(), readout->width()) << text.toStdString();
    }
    for (QLabel* readout : {deck->lblPosition, deck->Label2}) {
        QLabel twin(deck->pctSongInfo);
        twin.setFont(readout->font());
        twin.setPalette(readout->palette());
        twin.setGeometry(readout->geometry());
        twin.lower();
        auto ink = [&](QLabel* shown) {  // the box around the lit pixels, seen on the panel
            readout->setVisible(shown == readout);
            twin.setVisible(shown == &twin);
            const QImage shot = deck->pctSongInfo->grab(readout->geometry()).toImage();
            QRect box;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (qGray(shot.pixel(x, y)) > 96) box |= QRect(x, y, 1, 1);
            return box;
        };
        for (const Qt::Alignment align : {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter}) {
            for (QLabel* label : {readout, &twin}) {
                label->setText(readout == deck->Label2 ? "Position (s)" : "03:07,250");
                label->setAlignment(align | Qt::AlignVCenter);
            }
            const QRect drawn = ink(readout), expected = ink(&twin);
            ASSERT_LT(expected.width(), readout->width() - 20) << "the panel shows around it";
            for (const QPoint off : {drawn.topLeft() - expected.topLeft(),
                                     drawn.bottomRight() - expected.bottomRight()}) {
                EXPECT_LE(std::max(std::abs(off.x()), std::abs(off.y())), 1) << align;
            }
        }
        readout->show();
    }
}

}  // namespace
}  // namespace luma::test
