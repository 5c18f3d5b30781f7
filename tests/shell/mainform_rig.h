#pragma once

// The main window against the simulator on loopback, with a recording tray and popup, the
// program's folders and stores in a temporary folder, and every message answered by a hook.

#include "FakeTrayIcon.h"
#include "SimProcess.h"

#include "base/uApplicationSpecifical.h"
#include "base/uDialogs.h"
#include "connection/uOBfrConnPars.h"
#include "reading/uReaderCore.h"
#include "shell/uOBfMainForm.h"
#include "shell/uPopupControl.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <gtest/gtest.h>

// Records what the main window asks of the popup window.
class TRecordingPopup : public IPopupControl
{
public:
    bool Shown = false;
    bool Hidable = true;
    QStringList Calls;

    bool IsShown() const override { return Shown; }
    void Hide() override
    {
        Shown = false;
        Calls << QStringLiteral("hide");
    }
    void ShowPlaced() override
    {
        Shown = true;
        Calls << QStringLiteral("show");
    }
    void StartFade() override { Calls << QStringLiteral("fade"); }
    void StayOnTop() override
    {
        Shown = true;
        Calls << QStringLiteral("on top");
    }
    void SetPopupHidable(bool hidable) override { Hidable = hidable; }
};

// A control of a frame, found by its object name as a user finds it by its place.
template <typename T> T *FrameChild(const QWidget &frame, const char *name)
{
    T *child = frame.findChild<T *>(QLatin1String(name));
    if (child == nullptr)
        ADD_FAILURE() << "no " << name;
    return child;
}

inline QStringList FileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

struct TMainFormRig {
    QTemporaryDir Dir;
    QList<TDialogRequest> Dialogs;
    // The button position the next dialogs press; 0 presses the default button.
    int Answer = 0;
    TDialogAnswerScope AnswerScope{[this](const TDialogRequest &r) {
        Dialogs << r;
        return Answer > 0 ? Answer : std::max(r.DefaultButton, 1);
    }};
    SimProcess Sim;
    TFakeTrayIcon *Tray = nullptr; // owned by the window
    TRecordingPopup Popup;
    int AcousticDialogs = 0;
    std::unique_ptr<TOBfMainForm> Form;

    // Starts the simulator with the scenario and creates the window pointed at it; with an
    // empty scenario no simulator runs (the address then reaches nothing).
    bool Open(const QString &scenario = QStringLiteral("farvo-xport441-co2-io.json"),
              bool trayAvailable = true)
    {
        TEnvironmentOptions options;
        options.ProgramDir = Dir.filePath(QStringLiteral("program"));
        options.FolderResolver = [this](TShellFolder folder) {
            return Dir.filePath(QStringLiteral("folders/%1").arg(static_cast<int>(folder)));
        };
        options.UserSettingsFile = Dir.filePath(QStringLiteral("user/Ombrix.ini"));
        options.MachineSettingsFile = Dir.filePath(QStringLiteral("machine/Ombrix.ini"));
        InitEnvironment(options);
        if (!scenario.isEmpty() && !Sim.start(scenario))
            return false;
        auto tray = std::make_unique<TFakeTrayIcon>();
        tray->Available = trayAvailable;
        Tray = tray.get();
        TMainFormDialogs dialogs;
        dialogs.AcousticSettings = [this](TAcousticSettings &values, QWidget *) {
            ++AcousticDialogs;
            values.RepeatInterval = 42;
            return true;
        };
        dialogs.BuildLanguageMenu = [](QMenu &) {};
        dialogs.UserAlarmSettings = [](TOBfrConnection &, QWidget *) {};
        Form = std::make_unique<TOBfMainForm>(std::move(tray), dialogs);
        Form->SetPopup(&Popup);
        if (!scenario.isEmpty()) {
            Form->frConnection->Device().XPortUdpPort = Sim.udpPort();
            TOBfrConnPars &pars = *Form->frConnection->ConnPars();
            pars.SetIP(QStringLiteral("127.0.0.1"));
            pars.SetTcpPort(Sim.tcpPort());
            pars.SetTimeout(1000);
        }
        return true;
    }

    ~TMainFormRig()
    {
        Form.reset();
        CloseEnvironment();
    }

    QString CsvPath(const QString &name = QStringLiteral("Run.csv")) const { return Dir.filePath(name); }
    QPushButton *ConnectButton() const
    {
        return Form->frConnection->findChild<QPushButton *>(QStringLiteral("bConnDisconn"));
    }
    bool Connect()
    {
        QTest::mouseClick(ConnectButton(), Qt::LeftButton);
        return Form->frConnection->Connected();
    }
    bool StartMeasuring()
    {
        QTest::mouseClick(FrameChild<QPushButton>(*Form->frSettings, "bStartStop"), Qt::LeftButton);
        return Form->frSettings->IsRunning();
    }
    // Waits until the file holds at least that many lines (header included).
    bool WaitForLines(const QString &path, int lines, int timeoutMs = 20000) const
    {
        return QTest::qWaitFor([&] { return FileLines(path).size() >= lines; }, timeoutMs);
    }
};
