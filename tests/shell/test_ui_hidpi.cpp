// The program on a screen scaled to twice its size (QT_SCALE_FACTOR=2, set for this executable
// by CTest): pictures drawn at the screen's density, the popup placed in logical pixels, and the
// chart's line as thick as it is meant to look.
#include "reading/uChartHistory.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfChartPlot.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uPopupLayout.h"
#include "shell/TalmoTrayIcon.h"
#include "shell/uOBfrLogo.h"

#include "model/uOBGlob.h"

#include <QApplication>
#include <QDateTime>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace
{

class HiDpi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Without the scale every check below would pass or fail for the wrong reason.
        ASSERT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
    }
};

// Neighbouring pixels (across and down) whose colour or coverage differs by more than a third of
// the full range: the edges a sharp drawing has and an enlarged small picture smears out.
int SteepSteps(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const auto step = [](QRgb a, QRgb b) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
    };
    int steps = 0;
    for (int y = 0; y + 1 < image.height(); ++y)
        for (int x = 0; x + 1 < image.width(); ++x) {
            const QRgb here = image.pixel(x, y);
            steps += step(here, image.pixel(x + 1, y)) > 85 ? 1 : 0;
            steps += step(here, image.pixel(x, y + 1)) > 85 ? 1 : 0;
        }
    return steps;
}

} // namespace

TEST_F(HiDpi, TrayAndWindowIconsAreDrawnAtTheScreensDensity)
{
    QStringList files{ApplicationIconFile()};
    for (int index = 0; index < TrayStateIconCount; ++index)
        files << TrayStateIconFile(index);
    for (const QString &file : files) {
        const QIcon icon(file);
        const QPixmap shown = icon.pixmap(QSize(32, 32));
        EXPECT_EQ(shown.deviceIndependentSize(), QSizeF(32, 32)) << file.toStdString();
        EXPECT_DOUBLE_EQ(shown.devicePixelRatio(), 2.0) << file.toStdString();
        ASSERT_EQ(shown.size(), QSize(64, 64)) << file.toStdString();
        // The same icon as a 16-pixel picture blown up to the same 64 device pixels.
        const QImage enlarged = icon.pixmap(QSize(16, 16), 1.0)
                                    .toImage()
                                    .scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_GT(SteepSteps(shown.toImage()), 2 * SteepSteps(enlarged)) << file.toStdString();
    }
}

TEST_F(HiDpi, BuiltInLogoHasTwiceItsLogicalPixelsAndKeepsThemWhenFitted)
{
    const QPixmap logo = TOBfrLogo::BuiltInLogo();
    EXPECT_DOUBLE_EQ(logo.devicePixelRatio(), 2.0);
    EXPECT_EQ(logo.deviceIndependentSize(), QSizeF(TOBfrLogo::LogoWidth, TOBfrLogo::LogoHeight));
    EXPECT_EQ(logo.size(), QSize(2 * TOBfrLogo::LogoWidth, 2 * TOBfrLogo::LogoHeight));
    // The icon in it is drawn from its vector source, not enlarged from the 1x picture.
    const QRect iconArea(48, 80, 256, 256); // the icon's 128 logical pixels at (24, 40)
    const QImage enlarged = TOBfrLogo::BuiltInLogo(1.0)
                                .toImage()
                                .copy(QRect(iconArea.topLeft() / 2, iconArea.size() / 2))
                                .scaled(iconArea.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_GT(SteepSteps(logo.toImage().copy(iconArea)), 2 * SteepSteps(enlarged));

    struct TFitCase {
        int MaxHeight;
        QSizeF Logical;
    };
    const TFitCase cases[] = {
        {180, QSizeF(180.0 * TOBfrLogo::LogoWidth / TOBfrLogo::LogoHeight, 180)},     // shrunk
        {TOBfrLogo::LogoHeight, QSizeF(TOBfrLogo::LogoWidth, TOBfrLogo::LogoHeight)}, // fits as it is
        {1000, QSizeF(TOBfrLogo::LogoWidth, TOBfrLogo::LogoHeight)},                  // never enlarged
    };
    for (const TFitCase &c : cases) {
        const QPixmap fitted = TOBfrLogo::FitToHeight(logo, c.MaxHeight);
        EXPECT_DOUBLE_EQ(fitted.devicePixelRatio(), 2.0) << c.MaxHeight;
        EXPECT_NEAR(fitted.deviceIndependentSize().width(), c.Logical.width(), 0.5) << c.MaxHeight;
        EXPECT_NEAR(fitted.deviceIndependentSize().height(), c.Logical.height(), 0.5) << c.MaxHeight;
    }
    EXPECT_TRUE(TOBfrLogo::FitToHeight(QPixmap(), 180).isNull());
}

TEST_F(HiDpi, PopupIsPlacedByItsRuleInLogicalPixels)
{
    TLangQuan temperature;
    temperature.SetQuanType(TQuantity::qtTemperature);
    TChartHistory history;
    TOBfSmartOutput popup(nullptr);
    popup.QuantityAdded(0, temperature, history);
    popup.ShowPlaced();
    ASSERT_TRUE(popup.isVisible());

    const QScreen *screen = popup.screen();
    const QRect workArea = screen->availableGeometry();
    // The offscreen screen is 800 x 800 device pixels; the program sees half of that.
    EXPECT_EQ(screen->geometry().size(), QSize(400, 400));
    const TTaskbarEdge edge = TaskbarEdgeOf(screen->geometry(), workArea);
    const QSize size = popup.frameGeometry().size();
    EXPECT_EQ(popup.pos(), AutoPopupPosition(edge, TaskbarReserve(edge, false), workArea, size, QPoint()));
    EXPECT_TRUE(workArea.contains(popup.frameGeometry()));
}

namespace
{

// How thick the red line is in one column of the picture, in pixels: the red coverage summed
// down the column (partly covered pixels of a smoothed line count in part).
double RedThickness(const QImage &picture, int x)
{
    double thickness = 0.0;
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb pixel = picture.pixel(x, y);
        thickness += std::max(0, qRed(pixel) - std::max(qGreen(pixel), qBlue(pixel))) / 255.0;
    }
    return thickness;
}

} // namespace

TEST_F(HiDpi, ChartLineIsTwoLogicalPixelsWide)
{
    // Flat at 20, 21 and 22 for twenty seconds each: the middle stretch is level and clear of the
    // axes, whose ticks reach into the plot over a line at the top or the bottom.
    TLangQuan temperature;
    temperature.SetQuanType(TQuantity::qtTemperature);
    temperature.ReadOK = true;
    TChartHistory history;
    history.SetPointCount(60, 1);
    TfChart chart;
    chart.Init(&temperature, &history, nullptr);
    chart.resize(300, 200);
    chart.show();
    for (int s = 0; s < 60; ++s) {
        temperature.Value = 20.0 + s / 20;
        history.AddPoint(temperature.Value, true, QDateTime(QDate(2026, 3, 14), QTime(12, 0, s)));
        chart.Refresh(false);
    }
    const QImage picture = chart.cChart->grab().toImage();
    ASSERT_DOUBLE_EQ(picture.devicePixelRatio(), 2.0);
    const auto columnOf = [&](int second) {
        const double key =
            static_cast<double>(QDateTime(QDate(2026, 3, 14), QTime(12, 0, second)).toMSecsSinceEpoch()) /
            1000.0;
        return qRound(chart.cChart->xAxis->coordToPixel(key) * 2.0);
    };
    for (int second : {26, 33})
        EXPECT_NEAR(RedThickness(picture, columnOf(second)), 4.0, 0.75) << "at second " << second;
}
