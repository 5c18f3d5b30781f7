// ombrix-screenshots: runs the program's windows against a device simulator and saves pictures
// of them for the README: the main window disconnected and measuring, the popup window in both
// layouts, a chart with a gap where the device did not answer and the same chart zoomed with its
// read-out, the settings dialogs and the message dialogs as the real flows bring them up. Run it
// on an X display (scripts/screenshots starts Xvfb).
//
//   ombrix-screenshots [--lang CODE PROGRAM | --user-alarms | --scaled] OUTDIR IP TCPPORT UDPPORT
//                      CONTROLSOCKET
//
// With --lang the language module CODE lying next to PROGRAM is chosen as the user's language
// the way the language menu records it and loaded as the program loads it at start; then only
// the main window is taken, measuring, as main-measuring-CODE.png. With --user-alarms only the
// user alarm settings dialog is taken, for a device that leaves some analog alarms to the user.
// With --scaled (run with QT_SCALE_FACTOR=2) the main window measuring, the popup and a chart are
// taken as main-measuring-2x.png, popup-vertical-2x.png and chart-2x.png, at the screen's pixels.

#include "alarms/uOBfAcousticSettings.h"
#include "alarms/uOBfUserAlarmSettings.h"
#include "base/uApplicationSpecifical.h"
#include "connection/uOBfrConnPars.h"
#include "platform/SoundPlayer.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfChartPlot.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uObfrOutputBase.h"
#include "reading/uReaderCore.h"
#include "shell/uLang.h"
#include "shell/uOBfMainForm.h"
#include "shell/uOBfPopupSettings.h"
#include "shell/uPopupControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace
{

QString OutDir;
int Failures = 0;

void Say(const QString &text)
{
    std::fprintf(stderr, "ombrix-screenshots: %s\n", text.toLocal8Bit().constData());
}

// Runs the event loop for that long.
void Wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Save(QWidget &window, const QString &name)
{
    const QString path = OutDir + QLatin1Char('/') + name;
    if (window.grab().save(path)) {
        Say(QStringLiteral("saved %1").arg(path));
    } else {
        Say(QStringLiteral("could not save %1").arg(path));
        ++Failures;
    }
}

// The next modal dialog is photographed and answered by the button with that caption (an
// empty caption accepts a message box).
void PhotographNextDialog(const QString &name, const QString &button)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, [poll, name, button] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        Wait(200); // drawn
        Save(*dialog, name);
        for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>()) {
            if (button.isEmpty() || b->text().remove(QLatin1Char('&')) == button) {
                b->click();
                return;
            }
        }
    });
    poll->start();
}

// One command to the simulator's control socket.
bool Control(const QString &socketPath, const QString &command)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(3000))
        return false;
    socket.write(command.toUtf8() + '\n');
    socket.waitForBytesWritten(3000);
    return socket.waitForReadyRead(3000) && socket.readLine().startsWith("ok");
}

void ClickStartStop(TOBfMainForm &w)
{
    w.frSettings->bStartStopClick();
}

// The pictures need no sound; the Test button is never pressed.
class TSilentPlayer : public ISoundPlayer
{
public:
    void PlaySystemSound(const QString &) override {}
    void PlayFile(const QString &) override {}
};

// The settings dialogs as the program wires them into its menu (app/ombrix.cpp).
TMainFormDialogs SettingsDialogs(ISoundPlayer &player, const std::unique_ptr<TOBfSmartOutput> &popup)
{
    TMainFormDialogs dialogs;
    dialogs.PopupSettings = [&popup](TOBfMainForm &mainForm) {
        if (popup)
            ShowPopupSettings(&mainForm, *popup, mainForm.frSettings->IsRunning());
    };
    dialogs.AcousticSettings = [&player](TAcousticSettings &settings, QWidget *parent) {
        // A copy: the photograph leaves the settings as they were.
        TAcousticSettings shown = settings;
        return ShowAcousticSettings(parent, player, shown);
    };
    dialogs.UserAlarmSettings = [](TOBfrConnection &connection, QWidget *parent) {
        ShowUserAlarmSettings(parent, connection.Device());
    };
    return dialogs;
}

// Opens the dialog behind the menu item, takes its picture and cancels it. A disabled item
// opens nothing; then the picture is reported missing rather than waited for.
void PhotographMenuDialog(QAction *item, const QString &name)
{
    if (!item->isEnabled()) {
        Say(QStringLiteral("%1: the menu item is disabled").arg(name));
        ++Failures;
        return;
    }
    PhotographNextDialog(name, QStringLiteral("Cancel"));
    item->trigger();
}

// The chart as a user explores it: the wheel zooms the time axis in around the gap, and the
// pointer rests on a reading shortly before it, which the read-out below the chart names.
void TakeChartZoomed(TfChart &chart)
{
    QCustomPlot *plot = chart.cChart;
    // The gap starts at the first missing value after a reading; the pointer goes three
    // readings earlier.
    const auto data = chart.Series1->data();
    double gapKey = (data->constEnd() - 1)->key;
    double pointKey = gapKey;
    for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
        if (std::isnan(it->value) && it != data->constBegin() && !std::isnan((it - 1)->value)) {
            gapKey = it->key;
            pointKey = (it - std::min<std::ptrdiff_t>(3, it - data->constBegin()))->key;
            break;
        }
    }
    const QRect area = plot->axisRect()->rect();
    const QPoint zoomAt(qRound(plot->xAxis->coordToPixel(gapKey)), area.center().y());
    QWheelEvent wheel(zoomAt, plot->mapToGlobal(zoomAt), QPoint(), QPoint(0, 4 * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    // The gap into the middle, as far as the newest reading allows.
    chart.PanBy(area.center().x() - qRound(plot->xAxis->coordToPixel(gapKey)));
    const QPoint pointer(qRound(plot->xAxis->coordToPixel(pointKey)), area.center().y());
    QMouseEvent move(QEvent::MouseMove, pointer, plot->mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(plot, &move);
    Wait(500);
    Save(chart, QStringLiteral("chart-zoomed.png"));
    chart.ReturnToLive();
}

// The device stops answering for a few ticks: a gap in the chart.
void TakeChartGap(TOBfMainForm &w, const QString &control)
{
    if (!Control(control, QStringLiteral("fault timeout 12")))
        Say(QStringLiteral("the simulator did not take the fault"));
    Wait(9000);
    auto *frame = qobject_cast<TObfrOutputBase *>(w.frSettings->ReaderFrame());
    if (frame && frame->ChartCount() > 0) {
        TfChart *chart = frame->Chart(0);
        chart->show();
        Wait(1500);
        Save(*chart, QStringLiteral("chart-gap.png"));
        TakeChartZoomed(*chart);
    } else {
        Say(QStringLiteral("no chart to show"));
        ++Failures;
    }
}

// A chart of the measurement so far, without a gap.
void TakeChart(TOBfMainForm &w, const QString &name)
{
    auto *frame = qobject_cast<TObfrOutputBase *>(w.frSettings->ReaderFrame());
    if (frame && frame->ChartCount() > 0) {
        TfChart *chart = frame->Chart(0);
        chart->show();
        Wait(2500);
        Save(*chart, name);
    } else {
        Say(QStringLiteral("no chart to show"));
        ++Failures;
    }
}

struct TLanguageChoice {
    QString Code;
    QString ProgramPath;
};

// Records the language as the user's choice for the program and loads its module as the
// program does at start; null when the module cannot be loaded.
std::unique_ptr<QTranslator> InstallLanguage(const TLanguageChoice &choice)
{
    if (!WriteLanguageOverride(choice.ProgramPath, choice.Code))
        return nullptr;
    return InstallLanguageOverride(choice.ProgramPath);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    std::optional<TLanguageChoice> language;
    bool userAlarmsOnly = false;
    bool scaled = false;
    if (args.size() == 9 && args[1] == QLatin1String("--lang")) {
        language = TLanguageChoice{args[2], QFileInfo(args[3]).absoluteFilePath()};
        args.remove(1, 3);
    } else if (args.size() == 7 && args[1] == QLatin1String("--user-alarms")) {
        userAlarmsOnly = true;
        args.remove(1);
    } else if (args.size() == 7 && args[1] == QLatin1String("--scaled")) {
        scaled = true;
        args.remove(1);
    }
    if (args.size() != 6) {
        Say(QStringLiteral(
            "usage: ombrix-screenshots [--lang CODE PROGRAM | --user-alarms | --scaled] OUTDIR IP "
            "TCPPORT UDPPORT CONTROLSOCKET"));
        return 2;
    }
    std::unique_ptr<QTranslator> translator;
    if (language) {
        translator = InstallLanguage(*language);
        if (!translator) {
            Say(QStringLiteral("could not load the language module %1 next to %2")
                    .arg(language->Code, language->ProgramPath));
            return 1;
        }
    }
    OutDir = args[1];
    const QString ip = args[2];
    const int tcpPort = args[3].toInt();
    const int udpPort = args[4].toInt();
    const QString control = args[5];
    QDir().mkpath(OutDir);
    InitEnvironment();

    int result = 0;
    {
        TSilentPlayer player;
        std::unique_ptr<TOBfSmartOutput> popup;
        auto w = std::make_unique<TOBfMainForm>(nullptr, SettingsDialogs(player, popup));
        popup = std::make_unique<TOBfSmartOutput>(UserSettings.get());
        const std::unique_ptr<IPopupControl> popupControl = AttachMeasurementWindows(*w, *popup);
        w->frConnection->Device().XPortUdpPort = static_cast<std::uint16_t>(udpPort);
        TOBfrConnPars &pars = *w->frConnection->ConnPars();
        pars.SetIP(ip);
        pars.SetTimeout(300);
        w->show();
        WaitFor([&] { return w->isVisible(); }, 5000);
        Wait(500);

        const bool fullSet = !language && !userAlarmsOnly && !scaled;
        if (fullSet) {
            // Nothing listens on port 1: the connection message.
            pars.SetTcpPort(1);
            PhotographNextDialog(QStringLiteral("dialog-unable-to-connect.png"), QString());
            w->frConnection->bConnDisconnClick();
            pars.SetTcpPort(tcpPort);
            Wait(300);
            Save(*w, QStringLiteral("main-disconnected.png"));
        } else {
            pars.SetTcpPort(tcpPort);
        }

        w->frConnection->bConnDisconnClick();
        if (!w->frConnection->Connected()) {
            Say(QStringLiteral("could not connect to the simulator"));
            return 1;
        }
        w->UpdateInterfaceState();
        if (userAlarmsOnly) {
            // Its columns come from the connected device's quantities.
            PhotographMenuDialog(w->mUserAlarmSettings, QStringLiteral("dialog-user-alarm-settings.png"));
        } else if (fullSet) {
            // The settings dialogs from the Program menu, filled from the current settings; the
            // acoustic alarm is switched on first so that its choices are not all greyed out.
            TOBfrSettings &f = *w->frSettings;
            f.Acoustic = {TSoundMode::SystemSound, QStringLiteral("SystemExclamation"), QString(), 15,
                          TRepeatMode::DuringAlarm};
            PhotographMenuDialog(w->mAcousticSettings, QStringLiteral("dialog-acoustic-settings.png"));
            PhotographMenuDialog(w->mPopupSettings, QStringLiteral("dialog-popup-settings.png"));

            // An existing CSV file: the question, answered Cancel.
            const QString csv = QDir(OutDir).filePath(QStringLiteral(".screenshot-existing.csv"));
            {
                QFile file(csv);
                file.open(QIODevice::WriteOnly);
                file.write("old\n");
            }
            w->frSettings->SetLogToCsvSilently(true);
            w->frSettings->SetCsvFileName(csv);
            w->UpdateInterfaceState();
            PhotographNextDialog(QStringLiteral("dialog-csv-exists.png"), QStringLiteral("Cancel"));
            ClickStartStop(*w);
            QFile::remove(csv);
            w->frSettings->SetLogToCsvSilently(false);
            w->frSettings->SetCsvFileName(QString());
        }
        if (!userAlarmsOnly) {
            w->frSettings->SetInterval(1);
            w->frSettings->SetChartLength(1);
            w->UpdateInterfaceState();

            // The popup stays on top while measuring.
            w->PopupHidable = false;
            popupControl->SetPopupHidable(false);
            ClickStartStop(*w);
            Wait(5500);
            if (language) {
                Save(*w, QStringLiteral("main-measuring-%1.png").arg(language->Code));
            } else if (scaled) {
                Save(*w, QStringLiteral("main-measuring-2x.png"));
                popup->SetHorizontal(false);
                Wait(1200);
                Save(*popup, QStringLiteral("popup-vertical-2x.png"));
                TakeChart(*w, QStringLiteral("chart-2x.png"));
            } else {
                Save(*w, QStringLiteral("main-measuring.png"));
                popup->SetHorizontal(false);
                Wait(1200);
                Save(*popup, QStringLiteral("popup-vertical.png"));
                popup->SetHorizontal(true);
                Wait(1200);
                Save(*popup, QStringLiteral("popup-horizontal.png"));
                TakeChartGap(*w, control);
            }
            ClickStartStop(*w);
        }
        w->frConnection->bConnDisconnClick();
        w->close();
        w.reset();
        popup.reset();
        result = Failures == 0 ? 0 : 1;
    }
    CloseEnvironment();
    return result;
}
