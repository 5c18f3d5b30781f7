// ombrix: the program a user starts from the desktop menu.

#include "alarms/uOBfAcousticSettings.h"
#include "alarms/uOBfUserAlarmSettings.h"
#include "base/uApplicationFolders.h"
#include "base/uApplicationSpecifical.h"
#include "platform/DisplayPlatform.h"
#include "platform/SoundPlayer.h"
#include "platform/TerminationSignals.h"
#include "reading/uOBfSmartOutput.h"
#include "shell/TalmoTrayIcon.h"
#include "shell/uCommandLine.h"
#include "shell/uLang.h"
#include "shell/uLangMenu.h"
#include "shell/uOBfMainForm.h"
#include "shell/uOBfPopupSettings.h"
#include "shell/uPopupControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QStringList>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace
{

constexpr int ExitOk = 0;

const QString ProgramName = QStringLiteral("ombrix");

void Print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Answers --help, --version and --program-dir without a display. False when the command
// line asks for none of them.
bool AnswerInformationRequest(int argc, char **argv, const TCommandLine &commandLine)
{
    switch (commandLine.Request) {
    case TCommandLine::TRequest::Run:
        return false;
    case TCommandLine::TRequest::Help:
        Print(stdout, CommandLineHelpText(ProgramName));
        return true;
    case TCommandLine::TRequest::Version:
        Print(stdout, CommandLineVersionText(ProgramName));
        return true;
    case TCommandLine::TRequest::PrintProgramDir: {
        const QCoreApplication app(argc, argv); // the program file's path comes from it
        Print(stdout, ExecutableDir() + QLatin1Char('\n'));
        return true;
    }
    }
    return false;
}

// The XPort configuration port of the device, 30718 unless OMBRIX_XPORT_UDP_PORT says
// otherwise (a simulator on loopback, as for ombrix-probe).
void ApplyXPortPortOverride(TOBfMainForm &mainForm)
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("OMBRIX_XPORT_UDP_PORT", &ok);
    if (ok && port > 0 && port <= 65535)
        mainForm.frConnection->Device().XPortUdpPort = static_cast<std::uint16_t>(port);
}

// With OMBRIX_REPORT_SHOWN set, prints once on stderr how long the process took until its main
// window was shown ("shown <ms> ms"); the start-up benchmark waits for that line.
void ReportWhenShown(TOBfMainForm &mainForm, const QElapsedTimer &sinceStart)
{
    if (!qEnvironmentVariableIsSet("OMBRIX_REPORT_SHOWN"))
        return;
    QTimer::singleShot(0, &mainForm, [&mainForm, sinceStart] {
        if (mainForm.isVisible())
            Print(stderr, QStringLiteral("shown %1 ms\n").arg(sinceStart.elapsed()));
    });
}

// The dialogs and the language menu of their own modules.
// popup: the popup window once it exists (it is created after the main window).
TMainFormDialogs ProgramDialogs(ISoundPlayer &player, const std::unique_ptr<TOBfSmartOutput> &popup)
{
    TMainFormDialogs dialogs;
    dialogs.PopupSettings = [&popup](TOBfMainForm &mainForm) {
        if (popup)
            ShowPopupSettings(&mainForm, *popup, mainForm.frSettings->IsRunning());
    };
    dialogs.BuildLanguageMenu = [](QMenu &menu) {
        new TLangMenu(&menu, QCoreApplication::applicationFilePath(), &menu);
    };
    dialogs.AcousticSettings = [&player](TAcousticSettings &settings, QWidget *parent) {
        return ShowAcousticSettings(parent, player, settings);
    };
    dialogs.UserAlarmSettings = [](TOBfrConnection &connection, QWidget *parent) {
        ShowUserAlarmSettings(parent, connection.Device());
    };
    return dialogs;
}

int RunProgram(QApplication &app, const QStringList &arguments, const QElapsedTimer &sinceStart)
{
    TCanberraPlayer player;
    std::unique_ptr<TOBfSmartOutput> popup;
    auto mainForm = std::make_unique<TOBfMainForm>(nullptr, ProgramDialogs(player, popup));
    mainForm->frSettings->SetSoundPlayer(&player);
    ApplyXPortPortOverride(*mainForm);
    // Created after the main window; reads its own keys now and writes them when destroyed.
    popup = std::make_unique<TOBfSmartOutput>(UserSettings.get());
    const std::unique_ptr<IPopupControl> popupControl = AttachMeasurementWindows(*mainForm, *popup);

    // A logout, `systemctl stop` or a closed terminal ends the program as closing its window does,
    // whatever dialog is open at the time.
    const Platform::TTerminationSignals signals;
    QObject::connect(&signals, &Platform::TTerminationSignals::Received, mainForm.get(),
                     [&mainForm](int) { mainForm->EndOnTermination(); });
    // The window may sit hidden in the tray; the program ends when it closes, not with the last window.
    app.setQuitOnLastWindowClosed(false);
    QObject::connect(mainForm.get(), &TOBfMainForm::Closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    mainForm->show();
    ReportWhenShown(*mainForm, sinceStart);
    // The automatic start runs as the loop's first event: a termination signal that arrives
    // while it connects (or while its message is shown) then ends the loop like any other close.
    QTimer::singleShot(0, mainForm.get(),
                       [&mainForm, arguments] { mainForm->ProcessCommandLine(arguments); });
    const int result = app.exec();
    // The windows go before the stores close, so they can still write their keys: the main
    // window (its measurement with it), then the popup window.
    mainForm.reset();
    popup.reset();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine commandLine = ParseCommandLine(arguments);
    if (AnswerInformationRequest(argc, argv, commandLine))
        return ExitOk;

    // Must happen before the application object exists.
    Platform::ApplyQpaPlatformChoice();
    QApplication app(argc, argv);
    // Shells match the window to its desktop entry and icon by this name (Wayland's app_id too).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.talmo.Ombrix"));
    // Dialogs shown before the main window (or without it) carry the program's picture too.
    QGuiApplication::setWindowIcon(QIcon(ApplicationIconFile()));
    // The user's language, before the first window exists.
    const std::unique_ptr<QTranslator> language =
        InstallLanguageOverride(QCoreApplication::applicationFilePath());
    InitEnvironment();
    const int result = RunProgram(app, arguments, sinceStart);
    CloseEnvironment();
    return result;
}
