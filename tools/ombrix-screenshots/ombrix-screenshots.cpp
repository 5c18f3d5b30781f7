// ombrix-screenshots: runs the program's windows against a device simulator and saves pictures
// of them for the README: the main window disconnected and measuring, the popup window in both
// layouts, a chart with a gap where the device did not answer, and the message dialogs as the
// real flows bring them up. Run it on an X display (scripts/screenshots starts Xvfb).
//
//   ombrix-screenshots OUTDIR IP TCPPORT UDPPORT CONTROLSOCKET

#include "connection/uOBfrConnPars.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uObfrOutputBase.h"
#include "reading/uReaderCore.h"
#include "shell/uApplicationSpecifical.h"
#include "shell/uOBfMainForm.h"
#include "shell/uPopupControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

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
    w.frSettings->bStartStop->click();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        Say(QStringLiteral("usage: ombrix-screenshots OUTDIR IP TCPPORT UDPPORT CONTROLSOCKET"));
        return 2;
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
        auto w = std::make_unique<TOBfMainForm>();
        auto popup = std::make_unique<TOBfSmartOutput>(UserSettings.get());
        const std::unique_ptr<IPopupControl> popupControl = AttachMeasurementWindows(*w, *popup);
        w->frConnection->Device().XPortUdpPort = static_cast<std::uint16_t>(udpPort);
        TOBfrConnPars &pars = *w->frConnection->ConnPars();
        pars.SetIP(ip);
        pars.SetTimeout(300);
        w->show();
        WaitFor([&] { return w->isVisible(); }, 5000);
        Wait(500);

        // Nothing listens on port 1: the connection message.
        pars.SetTcpPort(1);
        PhotographNextDialog(QStringLiteral("dialog-unable-to-connect.png"), QString());
        w->frConnection->bConnDisconnClick();
        pars.SetTcpPort(tcpPort);
        Wait(300);
        Save(*w, QStringLiteral("main-disconnected.png"));

        w->frConnection->bConnDisconnClick();
        if (!w->frConnection->Connected()) {
            Say(QStringLiteral("could not connect to the simulator"));
            return 1;
        }
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
        w->frSettings->SetInterval(1);
        w->frSettings->SetChartLength(1);
        w->UpdateInterfaceState();

        // The popup stays on top while measuring.
        w->PopupHidable = false;
        popupControl->SetPopupHidable(false);
        ClickStartStop(*w);
        Wait(5500);
        Save(*w, QStringLiteral("main-measuring.png"));
        popup->SetHorizontal(false);
        Wait(1200);
        Save(*popup, QStringLiteral("popup-vertical.png"));
        popup->SetHorizontal(true);
        Wait(1200);
        Save(*popup, QStringLiteral("popup-horizontal.png"));

        // The device stops answering for a few ticks: a gap in the chart.
        if (!Control(control, QStringLiteral("fault timeout 12")))
            Say(QStringLiteral("the simulator did not take the fault"));
        Wait(9000);
        auto *frame = qobject_cast<TObfrOutputBase *>(w->frSettings->ReaderFrame());
        if (frame && frame->ChartCount() > 0) {
            TfChart *chart = frame->Chart(0);
            chart->show();
            Wait(1500);
            Save(*chart, QStringLiteral("chart-gap.png"));
        } else {
            Say(QStringLiteral("no chart to show"));
            ++Failures;
        }
        ClickStartStop(*w);
        w->frConnection->bConnDisconnClick();
        w->close();
        w.reset();
        popup.reset();
        result = Failures == 0 ? 0 : 1;
    }
    CloseEnvironment();
    return result;
}
