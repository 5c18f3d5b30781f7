// ombrix: the program a user starts from the desktop menu.

#include "platform/DisplayPlatform.h"
#include "shell/uApplicationFolders.h"
#include "shell/uCommandLine.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace
{

constexpr int ExitOk = 0;
constexpr int ExitNotBuilt = 1;

const QString ProgramName = QStringLiteral("ombrix");

void Print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
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
    case TCommandLine::TRequest::ProgramDir: {
        const QCoreApplication app(argc, argv); // the program file's path comes from it
        Print(stdout, ExecutableDir() + QLatin1Char('\n'));
        return true;
    }
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine commandLine = ParseCommandLine(arguments);
    if (AnswerInformationRequest(argc, argv, commandLine))
        return ExitOk;

    // Must happen before the application object exists.
    Platform::ApplyQpaPlatformChoice();

    Print(stderr, ProgramName + QStringLiteral(": the main window is not built yet; "
                                               "ombrix-probe reads a device from the command line\n"));
    return ExitNotBuilt;
}
