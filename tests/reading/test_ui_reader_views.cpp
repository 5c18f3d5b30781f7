// The windows of a measurement as views of the reader core: the reader frame with its output
// rows and "disable sound", the popup window's rows and the chart windows, driven by a core
// that reads the simulator or by ticks a test scripts.
#include "test_reader_rig.h"

#include "FakeSoundPlayer.h"

#include "reading/uCascade.h"
#include "reading/uChartHistory.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfChartPlot.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uOBfrOutputRow.h"
#include "reading/uOBfrSmartOutputRow.h"
#include "reading/uObfrOutputBase.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// The colour the widget's text is drawn with.
QColor TextColour(const QWidget *w)
{
    return w->palette().color(w->foregroundRole());
}

QColor PanelColour(const QWidget *w)
{
    return w->palette().color(QPalette::Window);
}

double NewestDrawnValue(const TfChart &chart)
{
    const auto data = chart.Series1->data();
    return data->isEmpty() ? -12345.0 : (data->constEnd() - 1)->value;
}

// A reader whose tick does nothing: the test stores the readings and calls FinishCycle.
class TScriptedReader : public TReaderCore
{
public:
    using TReaderCore::TReaderCore;
    void tReaderTimer() override {}
};

// A scripted measurement of a temperature and a relay shown in a frame and a popup.
struct ScriptedViews {
    TErrMessageList errors;
    TDeviceConnection conn{errors};
    TFakeSoundPlayer player;
    TScriptedReader reader;
    TOBfSmartOutput popup{nullptr};
    TObfrOutputBase frame{&popup};
    TLangQuan &temperature = conn.GetQuantity(0);
    TLangQuan &relay = conn.GetQuantity(11);

    explicit ScriptedViews(int chartPoints, const TAcousticSettings &acoustic = {})
        : reader(conn, &player, Settings(chartPoints, acoustic))
    {
        conn.SerialText = QStringLiteral("07120033");
        temperature.SetQuanType(TQuantity::qtTemperature);
        relay.SetQuanType(TQuantity::qtRelayOutput);
        frame.Attach(reader);
        reader.AddQuantity(temperature);
        reader.AddQuantity(conn.GetQuantity(5)); // absent: no row
        reader.AddQuantity(relay);
        reader.StartReading();
        frame.show();
    }

    void Tick(double t, const QString &alarmCode = QStringLiteral("no"))
    {
        temperature.Value = t;
        temperature.ReadOK = true;
        temperature.SetDeviceAlarmCode(alarmCode);
        relay.Value = 1.0;
        relay.ReadOK = true;
        reader.FinishCycle(true);
    }

    static TReaderSettings Settings(int chartPoints, const TAcousticSettings &acoustic)
    {
        TReaderSettings settings;
        settings.ChartPoints = chartPoints;
        settings.Acoustic = acoustic;
        return settings;
    }
};

} // namespace

TEST(ReaderViews, RowsPopupAndChartsFollowAMeasurementOfTheSimulator)
{
    TSimConnection rig;
    ASSERT_TRUE(rig.Start(QStringLiteral("farvo-xport441-pressure-io.json")));
    for (const char *command : {"set farvo.c1 215", "set farvo.c2 455", "set farvo.alarm.12 hi"})
        ASSERT_TRUE(rig.Control(QString::fromLatin1(command)));

    TOBfSmartOutput popup(nullptr);
    popup.SetPopupHidable(false);
    popup.SetTransparency(50);
    TObfrOutputBase frame(&popup);
    frame.resize(600, 300);
    frame.show();
    TReaderSettings settings;
    settings.ChartPoints = 10;
    std::unique_ptr<TReaderCore> reader = CreateReader(rig.Conn, nullptr, settings);
    frame.Attach(*reader);
    TRecordingView ticks;
    reader->AddView(&ticks);
    reader->StartReading();
    ASSERT_TRUE(WaitForCycles(ticks, 1));
    const QString serial = rig.Conn.SerialText;
    ASSERT_FALSE(serial.isEmpty());

    // The frame: a row per present quantity, in slot order.
    ASSERT_EQ(frame.RowCount(), 9);
    TOBfrOutputRow *temperatureRow = frame.Row(0);
    EXPECT_EQ(temperatureRow->lQuantName->text(), QStringLiteral("Temperature:"));
    EXPECT_EQ(temperatureRow->lValue->text(), QStringLiteral("21.5"));
    EXPECT_EQ(temperatureRow->lUnit->text(), QStringLiteral("°C"));
    EXPECT_EQ(temperatureRow->lAlarm->text(), QStringLiteral("high alarm"));
    EXPECT_EQ(TextColour(temperatureRow->lAlarm), QColor(Qt::red));
    EXPECT_EQ(TextColour(temperatureRow->lValue), QColor(Qt::black));
    EXPECT_EQ(frame.Row(1)->lValue->text(), QStringLiteral("45.5"));
    EXPECT_TRUE(frame.Row(1)->lAlarm->text().isEmpty());
    EXPECT_TRUE(frame.bQuietAlarmAcoustic->isHidden());

    // The popup: shown at its opacity with the serial number and a red row for the alarm.
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.Opacity(), 128);
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Serial number: ") + serial);
    ASSERT_EQ(popup.RowCount(), 9);
    EXPECT_EQ(popup.GetRow(0)->lValue->text(), QStringLiteral("21.5"));
    EXPECT_EQ(PanelColour(popup.GetRow(0)->pRow), QColor(Qt::red));
    EXPECT_EQ(TextColour(popup.GetRow(0)->lValue), QColor(Qt::yellow));
    EXPECT_EQ(PanelColour(popup.GetRow(1)->pRow), ColorFromBgr(popup.BackColor()));

    // The charts: cascaded, hidden, and not drawn while hidden.
    ASSERT_EQ(frame.ChartCount(), 9);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const std::vector<QPoint> places =
        CascadePositions(9, frame.Chart(0)->frameGeometry().size(), screen.size());
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frame.Chart(i)->pos(), screen.topLeft() + places[static_cast<std::size_t>(i)]);
        EXPECT_FALSE(frame.Chart(i)->isVisible());
        EXPECT_EQ(frame.Chart(i)->DrawnPointCount(), 0);
    }

    // Its check box shows a chart, which draws the whole history at once and then each tick.
    TfChart *chart = frame.Chart(0);
    QTest::mouseClick(temperatureRow->cbChart, Qt::LeftButton);
    ASSERT_TRUE(chart->isVisible());
    EXPECT_EQ(chart->DrawnPointCount(), 10);
    EXPECT_EQ(chart->windowTitle(), QStringLiteral("Temperature = 21.5 °C  (%1)").arg(serial));
    ASSERT_TRUE(rig.Control(QStringLiteral("set farvo.c1 230")));
    ASSERT_TRUE(WaitForCycles(ticks, ticks.Cycles + 2));
    EXPECT_EQ(chart->DrawnPointCount(), 10);
    EXPECT_DOUBLE_EQ(NewestDrawnValue(*chart), 23.0);
    EXPECT_EQ(frame.Chart(1)->DrawnPointCount(), 0);

    // The device goes away: red error texts, red popup rows, a gap in the chart.
    ASSERT_TRUE(rig.Control(QStringLiteral("offline on")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.Conn.GetQuantity(0).ReadOK && ticks.Cycles > 0; }, 20000));
    const int failedAt = ticks.Cycles;
    ASSERT_TRUE(WaitForCycles(ticks, failedAt + 1));
    EXPECT_EQ(temperatureRow->lValue->text(), QStringLiteral("Error "));
    EXPECT_EQ(TextColour(temperatureRow->lValue), QColor(Qt::red));
    EXPECT_TRUE(temperatureRow->lUnit->text().isEmpty());
    EXPECT_EQ(PanelColour(popup.GetRow(1)->pRow), QColor(Qt::red));
    EXPECT_EQ(chart->windowTitle(), QStringLiteral("Temperature = Error    (%1)").arg(serial));
    EXPECT_TRUE(std::isnan(NewestDrawnValue(*chart)));
    QTest::mouseClick(temperatureRow->cbChart, Qt::LeftButton);
    EXPECT_FALSE(chart->isVisible());

    // The end of the measurement takes every row, popup row and chart with it.
    reader->StopReading();
    reader.reset();
    EXPECT_EQ(frame.RowCount(), 0);
    EXPECT_EQ(frame.ChartCount(), 0);
    EXPECT_TRUE(frame.pRows->findChildren<TOBfrOutputRow *>().isEmpty());
    EXPECT_EQ(popup.RowCount(), 0);
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Serial number: --------"));
}

TEST(ReaderViews, PausedTicksKeepTheRowsAndMarkTheCharts)
{
    ScriptedViews v(4);
    ASSERT_EQ(v.frame.RowCount(), 2) << "the absent quantity has no row";
    EXPECT_EQ(v.popup.RowCount(), 2);
    EXPECT_FALSE(v.popup.isVisible()) << "hidable: hidden until the user points at the tray icon";
    TfChart *chart = v.frame.Chart(0);
    EXPECT_FALSE(chart->BinaryAxis());
    EXPECT_TRUE(v.frame.Chart(1)->BinaryAxis());
    EXPECT_EQ(v.frame.Chart(1)->Series1->lineStyle(), QCPGraph::lsStepLeft);
    EXPECT_EQ(v.frame.Row(0)->lValue->text(), QStringLiteral("-"));
    v.frame.Row(0)->cbChart->click();

    v.Tick(21.5);
    EXPECT_EQ(v.frame.Row(0)->lValue->text(), QStringLiteral("21.5"));
    EXPECT_EQ(v.frame.Row(1)->lValue->text(), QStringLiteral("closed"));
    v.reader.TogglePause();
    v.Tick(30.0, QStringLiteral("hi"));
    EXPECT_EQ(v.frame.Row(0)->lValue->text(), QStringLiteral("21.5"));
    EXPECT_TRUE(v.frame.Row(0)->lAlarm->text().isEmpty()) << "no alarm evaluation while paused";
    EXPECT_EQ(v.popup.GetRow(0)->lValue->text(), QStringLiteral("21.5"));
    EXPECT_EQ(chart->windowTitle(), QStringLiteral("Temperature  Paused  (07120033)"));
    EXPECT_TRUE(std::isnan(NewestDrawnValue(*chart)));
    EXPECT_EQ(chart->DrawnPointCount(), 4);
}

TEST(ReaderViews, DisableSoundSilencesAndAcknowledges)
{
    TAcousticSettings acoustic;
    acoustic.SoundMode = TSoundMode::SystemSound;
    acoustic.SystemSound = QStringLiteral("SystemHand");
    acoustic.RepeatMode = TRepeatMode::UntilUserInterrupt;
    ScriptedViews v(4, acoustic);
    v.Tick(21.5, QStringLiteral("hi"));
    ASSERT_TRUE(v.frame.bQuietAlarmAcoustic->isVisible());
    EXPECT_EQ(v.frame.bQuietAlarmAcoustic->text(), QStringLiteral("disable sound"));
    EXPECT_EQ(v.frame.Row(0)->lAlarm->text(), QStringLiteral("high alarm"));
    EXPECT_EQ(v.player.Played.size(), 1);

    QTest::mouseClick(v.frame.bQuietAlarmAcoustic, Qt::LeftButton);
    EXPECT_FALSE(v.frame.bQuietAlarmAcoustic->isVisible());
    EXPECT_FALSE(v.reader.SoundRepeating());
    EXPECT_EQ(v.temperature.AlarmLatch, TLangQuan::lsAcknowledged);
    v.Tick(21.5, QStringLiteral("hi"));
    EXPECT_FALSE(v.frame.bQuietAlarmAcoustic->isVisible()) << "an acknowledged alarm stays silent";
    EXPECT_EQ(v.player.Played.size(), 1);
}

TEST(ReaderViews, RowsKeepTheirPlaceWhenDisableSoundComesAndGoes)
{
    TAcousticSettings acoustic;
    acoustic.SoundMode = TSoundMode::SystemSound;
    acoustic.SystemSound = QStringLiteral("SystemHand");
    acoustic.RepeatMode = TRepeatMode::UntilUserInterrupt;
    ScriptedViews v(4, acoustic);
    const auto rowTop = [&v] {
        QCoreApplication::processEvents(); // lets the layout follow the button
        return v.frame.Row(0)->mapTo(&v.frame, QPoint(0, 0));
    };
    v.Tick(21.5);
    const QPoint silent = rowTop();
    v.Tick(21.5, QStringLiteral("hi"));
    ASSERT_TRUE(v.frame.bQuietAlarmAcoustic->isVisible());
    EXPECT_EQ(rowTop(), silent) << "the button appeared";
    const QRect button = v.frame.bQuietAlarmAcoustic->geometry();
    EXPECT_GT(button.left(), v.frame.width() / 2) << "the button sits at the top right";
    EXPECT_LT(button.top(), v.frame.Row(0)->mapTo(&v.frame, QPoint(0, 0)).y());
    QTest::mouseClick(v.frame.bQuietAlarmAcoustic, Qt::LeftButton);
    ASSERT_FALSE(v.frame.bQuietAlarmAcoustic->isVisible());
    EXPECT_EQ(rowTop(), silent) << "the button went";
}

TEST(ReaderViews, ChartOfOnePointCannotBeShown)
{
    ScriptedViews v(1);
    TOBfrOutputRow *row = v.frame.Row(0);
    EXPECT_FALSE(row->cbChart->isEnabled());
    QTest::mouseClick(row->cbChart, Qt::LeftButton);
    v.Tick(21.5);
    EXPECT_FALSE(v.frame.Chart(0)->isVisible());
    EXPECT_EQ(v.frame.Chart(0)->DrawnPointCount(), 0);
    EXPECT_EQ(v.frame.Chart(0)->windowTitle(), QStringLiteral("Temperature"));
}

TEST(ReaderViews, RowWithoutQuantityIsRefused)
{
    try {
        TOBfrOutputRow row(nullptr, true, nullptr);
        FAIL() << "created";
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "[internal] TOBfrOutputRow.Create(Quant: TLangQuan; aChart: TfChart; "
                               "ChartEnabled: Boolean) Quant is nil!");
    }
}

TEST(ReaderViews, AFrameFreedBeforeItsCoreTakesItsPopupRowsAlong)
{
    TErrMessageList errors;
    TDeviceConnection conn{errors};
    TReaderSettings settings;
    settings.ChartPoints = 5;
    TScriptedReader reader{conn, nullptr, settings};
    TOBfSmartOutput popup{nullptr};
    conn.GetQuantity(0).SetQuanType(TQuantity::qtTemperature);
    auto frame = std::make_unique<TObfrOutputBase>(reader, &popup);
    reader.AddQuantity(conn.GetQuantity(0));
    reader.StartReading();
    ASSERT_EQ(frame->RowCount(), 1);
    ASSERT_EQ(popup.RowCount(), 1);

    frame.reset();
    EXPECT_EQ(popup.RowCount(), 0);
    conn.GetQuantity(0).ReadOK = true;
    reader.FinishCycle(true); // tells no freed view
    EXPECT_EQ(reader.History(0).Added(), 1u);
}
