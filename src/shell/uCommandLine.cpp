#include "shell/uCommandLine.h"

#include "OmbrixVersion.h"
#include "model/uOBGlob.h"
#include "shell/uSettingsModel.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>

namespace
{

// The options that take a value, in lower case.
const QLatin1String OptType("-type");
const QLatin1String OptIp("-ip");
const QLatin1String OptCsv("-csv");
const QLatin1String OptInterval("-interval");
const QLatin1String OptGraphLen("-graphlen");
const QLatin1String OptPort("-port");
const QLatin1String OptSpeed("-speed");

bool TakesValue(const QString &lowerName)
{
    static const std::array<QLatin1String, 7> names{OptType,     OptIp,   OptCsv,  OptInterval,
                                                    OptGraphLen, OptPort, OptSpeed};
    for (const QLatin1String &name : names)
        if (lowerName == name)
            return true;
    return false;
}

std::optional<TCommandLine::TRequest> InfoRequest(const QString &lowerName)
{
    if (lowerName == QLatin1String("--help") || lowerName == QLatin1String("-help") ||
        lowerName == QLatin1String("-h"))
        return TCommandLine::TRequest::Help;
    if (lowerName == QLatin1String("--version") || lowerName == QLatin1String("-version"))
        return TCommandLine::TRequest::Version;
    if (lowerName == QLatin1String("--program-dir"))
        return TCommandLine::TRequest::PrintProgramDir;
    return std::nullopt;
}

std::optional<int> WholeNumberIn(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

bool IsDecimalDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

void ApplyOption(TCommandLine &result, const QString &lowerName, const QString &value)
{
    if (lowerName == OptType) {
        if (const auto protocol = ProtocolOfName(value))
            result.Protocol = protocol;
    } else if (lowerName == OptIp) {
        if (IsValidIPv4(value))
            result.IP = value;
    } else if (lowerName == OptCsv) {
        result.CsvFileName = value;
    } else if (lowerName == OptInterval) {
        if (const auto interval = WholeNumberIn(value, 1, 3600))
            result.Interval = interval;
    } else if (lowerName == OptGraphLen) {
        if (const auto length = WholeNumberIn(value, 1, 60))
            result.GraphLength = length;
    } else if (lowerName == OptPort) {
        if (const auto port = WholeNumberIn(value, 1, 255))
            result.ComPort = port;
    } else if (lowerName == OptSpeed) {
        const auto rate = WholeNumberIn(value, 1, 256000);
        if (rate && IsCommandLineSpeed(*rate))
            result.Speed = rate;
    }
}

} // namespace

bool IsAutoStartSwitch(const QString &argument)
{
    QString name = argument;
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return name.compare(QLatin1String("autostart"), Qt::CaseInsensitive) == 0;
}

bool IsValidIPv4(const QString &text)
{
    if (text.size() < 7 || text.size() > 15)
        return false;
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    // Splitting at the first three dots only: a fourth dot stays in the last part, which
    // then is no number.
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        const QString digits = part.trimmed();
        if (!IsDecimalDigits(digits) || digits.toInt() > 255)
            return false;
    }
    return true;
}

bool IsCommandLineSpeed(int rate)
{
    static constexpr std::array<int, 15> rates{110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                               19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (const int r : rates)
        if (r == rate)
            return true;
    return false;
}

TCommandLine ParseCommandLine(const QStringList &arguments)
{
    TCommandLine result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString lowerName = arguments[i].toLower();
        if (TakesValue(lowerName)) {
            ++i; // the value is consumed whether or not it is accepted
            continue;
        }
        if (const auto request = InfoRequest(lowerName)) {
            result.Request = *request;
            return result;
        }
    }
    // The switch counts wherever it stands, also as an option's value ("-csv autostart"
    // starts and logs to a file named autostart): a start script's order of words must
    // not decide whether the program starts at all.
    result.AutoStart = std::any_of(arguments.begin(), arguments.end(), IsAutoStartSwitch);
    if (!result.AutoStart)
        return result;

    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        const QString lowerName = arguments[i].toLower();
        if (!TakesValue(lowerName))
            continue;
        ++i;
        ApplyOption(result, lowerName, arguments[i]);
    }
    return result;
}

void ApplyCommandLine(const TCommandLine &commandLine, TMainSettings &settings)
{
    settings.Protocol = commandLine.Protocol.value_or(settings.Protocol);
    settings.IP = commandLine.IP.value_or(settings.IP);
    if (commandLine.CsvFileName) {
        settings.LogToCsv = true;
        settings.CsvName = *commandLine.CsvFileName;
    }
    settings.Interval = commandLine.Interval.value_or(settings.Interval);
    settings.GraphLength = commandLine.GraphLength.value_or(settings.GraphLength);
    settings.ComPort = commandLine.ComPort.value_or(settings.ComPort);
    settings.Speed = commandLine.Speed.value_or(settings.Speed);
}

QString CommandLineHelpText(const QString &programName)
{
    return QCoreApplication::translate(
               "TCommandLine",
               "Usage: %1 [autostart [options]]\n"
               "\n"
               "Watches one measuring transmitter live. Without arguments the program starts\n"
               "with the settings of its last run.\n"
               "\n"
               "  autostart            connect with the stored settings and the options below,\n"
               "                       then start measuring at once (also /autostart, -autostart)\n"
               "\n"
               "Options, used only with autostart; a value that is not accepted is ignored:\n"
               "  -type Ethernet|RS232|RS485   protocol\n"
               "  -ip ADDRESS                  device IPv4 address (Ethernet)\n"
               "  -csv FILE                    log every reading to FILE (continued when it exists)\n"
               "  -interval N                  reading interval, 1 to 3600 seconds\n"
               "  -graphlen N                  chart history length, 1 to 60 minutes\n"
               "  -port N                      serial port COM<N>, 1 to 255\n"
               "  -speed N                     baud rate, one of 110 300 600 1200 2400 4800 9600\n"
               "                               14400 19200 38400 56000 57600 115200\n"
               "  --help                       print this text\n"
               "  --version                    print the version\n"
               "  --program-dir                print the folder the program takes its branding\n"
               "                               file (Ombrix.ini), logo.bmp, language modules and\n"
               "                               help files from\n"
               "\n"
               "Switch and option names match in any letter case; values keep theirs.\n"
               "SIGTERM, SIGINT and SIGHUP end the program as closing its window does.\n")
        .arg(programName);
}

QString CommandLineVersionText(const QString &programName)
{
    return programName + QLatin1Char(' ') + QLatin1String(OMBRIX_VERSION) + QLatin1Char('\n');
}
