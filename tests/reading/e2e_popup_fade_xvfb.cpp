// The popup's fade as the X server sees it: the opacity property of the window, read back by
// another client while nothing else in the program repaints.

#include "reading/uChartHistory.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uOBfrSmartOutputRow.h"

#include "model/uOBGlob.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace
{

// The opacity (0..255) the X server holds for the window: what a compositor would draw.
// A window without the property is opaque.
int ServerOpacity(WId window)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window), QStringLiteral("_NET_WM_WINDOW_OPACITY")});
    if (!xprop.waitForFinished(10000))
        return -1;
    const QString out = QString::fromLocal8Bit(xprop.readAllStandardOutput());
    const qsizetype eq = out.indexOf(QLatin1Char('='));
    if (eq < 0)
        return 255;
    bool ok = false;
    const double raw = out.mid(eq + 1).trimmed().toDouble(&ok);
    if (!ok)
        return -2;
    return static_cast<int>(std::lround(raw * 255.0 / std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

TEST(PopupFadeOnX, EveryFadeStepReachesTheWindowSystem)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under xvfb-run";
    TLangQuan temperature;
    temperature.SetQuanType(TQuantity::qtTemperature);
    TOBfSmartOutput popup(nullptr);
    const TChartHistory history; // the popup shows no history
    popup.QuantityAdded(0, temperature, history);
    std::int64_t now = 100000;
    popup.Clock = [&now] { return now; };
    popup.SetPopupHidable(true);
    popup.StartFade();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
    const WId window = popup.winId();

    // (milliseconds since the fade started, opacity due then); the measurement is paused, so
    // nothing but the fade changes the window.
    const struct {
        std::int64_t Ms;
        int Opacity;
    } samples[] = {{500, 255}, {1500, 228}, {2500, 177}, {3500, 127}, {4500, 76}, {5500, 25}};
    for (const auto &s : samples) {
        SCOPED_TRACE(s.Ms);
        now = 100000 + s.Ms;
        // Two fade periods: at least one step ran with this time.
        QTest::qWait(60);
        ASSERT_EQ(popup.Opacity(), s.Opacity);
        EXPECT_EQ(ServerOpacity(window), s.Opacity);
    }
    now = 100000 + 6000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return popup.isHidden(); }, 5000));
}
