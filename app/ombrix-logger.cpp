// ombrix-logger: the measurement without any window, for servers and unattended stations.
// Connects and identifies like ombrix-probe, then runs the program's reader core every
// -interval seconds: the alarms with the user limits the program keeps, the CSV file of the
// program, and one line of text or JSON per tick on standard output.

#include "CliConnect.h"

#include "base/uApplicationFolders.h"
#include "base/uApplicationSpecifical.h"
#include "base/uSettingsStore.h"
#include "connection/uDeviceConnection.h"
#include "export/uConfigFile.h"
#include "export/uServiceOptions.h"
#include "export/uServiceRun.h"
#include "export/uTickJson.h"
#include "model/uTextEscape.h"
#include "model/uValueText.h"
#include "platform/TerminationSignals.h"
#include "reading/uOutageReport.h"
#include "reading/uReaderCore.h"
#include "reading/uReaderView.h"

#include "OmbrixVersion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace
{

using Cli::ExitConnect;
using Cli::ExitOk;
using Cli::ExitUsage;
using Cli::UsageError;

QString UsageText()
{
    return QStringLiteral(
               "Usage: ombrix-logger [options]\n"
               "\n"
               "Connects to the transmitter, identifies it and reads it every interval until\n"
               "-count ticks are done or SIGINT or SIGTERM arrives: a device exchange under way\n"
               "is cut short, the records are written and the run ends within a moment.\n"
               "SIGHUP does not end the run: the CSV file is opened again by its name (for log\n"
               "rotation), and a file found empty or new gets the header block first.\n"
               "The first failed reading of an outage (with its reason) and the recovery are\n"
               "reported on standard error.\n"
               "\n"
               "Options:\n") +
           QString::fromLatin1(Cli::ConnectionOptionsHelp) +
           QStringLiteral(
               "  -interval S                  seconds between readings, 1-3600 (default 1)\n"
               "  -csv FILE                    write the measurement log into FILE\n"
               "  -append                      continue an existing FILE with a new header block\n"
               "                               (without it an existing FILE is refused, never\n"
               "                               overwritten)\n"
               "  -count N                     stop after N readings (default: run until a signal)\n"
               "  --json                       one JSON object per reading instead of a line of text\n") +
           QString::fromLatin1(Service::OptionsHelp) +
           QStringLiteral(
               "  --help                       print this text\n"
               "  --version                    print the version\n"
               "\n"
               "The alarm limits are the user limits the program keeps in section USR_ALARMS of\n"
               "its settings file.\n"
               "\n"
               "Records that cannot be written (full disk, no permission) wait in memory and\n"
               "reach the file when it takes them again; standard error says when writing\n"
               "stops and when it works again. At most a week of records (or 64 MiB) waits:\n"
               "beyond that the oldest are dropped, and standard error says so.\n"
               "\n"
               "Exit status: 0 success (also when readings failed: they are logged); 1 connecting\n"
               "or identifying failed (the message, then the reason on the next line, on standard\n"
               "error), or records were not written to the log; 2 bad usage, or the log file\n"
               "cannot be created or appended to.\n"
               "\n") +
           QString::fromLatin1(Cli::EnvironmentHelp);
}

struct Options {
    TConnectionParams params;
    int interval = 1;
    QString csv;
    bool append = false;
    int count = 0; // 0: until a signal
    bool json = false;
    Service::TOptions service;
};

// Returns false when the run ends here (help or version printed).
bool parse(const QStringList &args, Options &o)
{
    bool ipGiven = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString a = Cli::OptionName(args[i]);
        if (a == QLatin1String("-help") || a == QLatin1String("-h")) {
            std::fputs(UsageText().toLocal8Bit().constData(), stdout);
            return false;
        }
        if (a == QLatin1String("-version")) {
            std::printf("ombrix-logger %s\n", OMBRIX_VERSION);
            return false;
        }
        if (a == QLatin1String("-json")) {
            o.json = true;
        } else if (a == QLatin1String("-append")) {
            o.append = true;
        } else if (a == QLatin1String("-interval") || a == QLatin1String("-count") ||
                   a == QLatin1String("-csv")) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("%1 needs a value").arg(a)};
            const QString v = args[++i];
            if (a == QLatin1String("-interval"))
                o.interval = Cli::NumberOption(a, v, 1, 3600);
            else if (a == QLatin1String("-count"))
                o.count = Cli::NumberOption(a, v, 1, INT_MAX);
            else if (v.isEmpty())
                throw UsageError{QStringLiteral("-csv needs a file name")};
            else
                o.csv = v;
        } else if (Service::TakeOption(a, args, i, o.service)) {
            continue;
        } else if (!Cli::TakeConnectionOption(a, args, i, o.params, ipGiven)) {
            throw UsageError{QStringLiteral("unknown option \"%1\"").arg(args[i])};
        }
    }
    Cli::CheckConnectionOptions(o.params, ipGiven);
    Service::CheckOptions(o.service);
    if (o.append && o.csv.isEmpty())
        throw UsageError{QStringLiteral("-append needs -csv")};
    return true;
}

// The log file is checked before connecting: an existing file is continued only when asked.
void CheckLogFile(const Options &o)
{
    if (o.csv.isEmpty())
        return;
    const QFileInfo file(o.csv);
    if (file.isDir())
        throw UsageError{QStringLiteral("-csv \"%1\" is a folder").arg(o.csv)};
    // Records for a folder that is not there would only pile up in memory until the end.
    if (!QFileInfo(file.absolutePath()).isDir())
        throw UsageError{QStringLiteral("the folder of -csv \"%1\" does not exist").arg(o.csv)};
    if (file.exists() && !o.append)
        throw UsageError{
            QStringLiteral("\"%1\" exists; give -append to continue it (it is never overwritten)")
                .arg(o.csv)};
    // Better now than records piling up in memory for the whole run.
    if (const QString reason = TRecFile::CheckWritable(o.csv); !reason.isEmpty())
        throw UsageError{QStringLiteral("cannot write \"%1\": %2").arg(o.csv, reason)};
}

// The measurement the options ask for: interval, log file, and the branding file beside the program.
TReaderSettings ReaderSettingsOf(const Options &o)
{
    TReaderSettings settings;
    settings.IntervalSec = o.interval;
    settings.ChartPoints = 0; // no chart: no history is kept
    settings.BrandingFilePath = ExecutableDir() + BrandingFileName;
    if (!o.csv.isEmpty()) {
        const QFileInfo file(o.csv);
        settings.LogToCsv = true;
        settings.CsvFolder = file.absolutePath();
        settings.CsvFileName = file.fileName();
    }
    return settings;
}

// The user alarm settings of all slots as the program keeps them; the logger only reads them.
void LoadUserAlarms(TDeviceConnection &conn)
{
    const TSettingsStore store(DefaultUserSettingsFile(), true);
    for (int slot = 0; slot < SettingsKeys::UserAlarmSlotCount; ++slot)
        LoadUserAlarmSlot(store, slot, conn.GetQuantity(slot));
}

// Prints one line per tick and ends the run after the wanted number of ticks.
class TLoggerOutput : public IReaderView
{
public:
    TLoggerOutput(const TReaderCore &reader, bool json, int count, std::function<void()> finished,
                  QString csv)
        : m_reader(reader), m_json(json), m_count(count), m_finished(std::move(finished)),
          m_csv(std::move(csv))
    {
    }

    void QuantityAdded(int, TLangQuan &quantity, const TChartHistory &) override
    {
        m_rows.push_back(&quantity);
    }
    void ReadingStarted() override {}
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override { m_rows.clear(); }

    void CsvWriteFailed(const QString &reason) override
    {
        Cli::PrintErr(QStringLiteral("ombrix-logger: records cannot be written to \"%1\": %2; they wait "
                                     "in memory until the file takes them")
                          .arg(m_csv, reason));
    }
    void CsvWriteRecovered(qint64 recordsWritten) override
    {
        Cli::PrintErr(QStringLiteral("ombrix-logger: \"%1\" is written again (%2 waiting records written)")
                          .arg(m_csv)
                          .arg(recordsWritten));
    }

    void CycleFinished(bool paused) override
    {
        if (const QString change =
                m_outage.Tick(paused || m_reader.LastReadSucceeded(), m_reader.LastFailureReason());
            !change.isEmpty())
            Cli::PrintErr(QStringLiteral("ombrix-logger: ") + change);
        ReportDropped();
        Print(m_json ? Service::TickJson(m_reader, m_rows, paused) : TextLine());
        if (m_count > 0 && ++m_ticks >= m_count)
            m_finished();
    }

private:
    void ReportDropped()
    {
        if (m_droppedSaid || m_reader.CsvRecordsDropped() == 0)
            return;
        m_droppedSaid = true;
        Cli::PrintErr(QStringLiteral("ombrix-logger: too many records wait for \"%1\"; the oldest are "
                                     "dropped from now on")
                          .arg(m_csv));
    }

    // A reader that went away (`| head`) ends the printing, not the measurement.
    void Print(const QByteArray &line)
    {
        if (m_stdoutGone)
            return;
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        // Whoever reads the pipe sees every tick as it happens.
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            m_stdoutGone = true;
    }

    QByteArray TextLine() const
    {
        QStringList parts{Service::IsoLocalTime(m_reader.LastCycleTime())};
        for (const TLangQuan *q : m_rows) {
            // A failed read has no value a unit could belong to.
            if (!m_reader.LastReadSucceeded() && !q->ReadOK) {
                parts << q->GetName() + QStringLiteral(" Read error");
                continue;
            }
            QString part = q->GetName() + QLatin1Char(' ') +
                           (q->ReadOK ? QuantityValueText(*q, QLocale::c()) : q->ErrorText.trimmed());
            const QString unit = q->GetPlainUnitSymbol();
            if (!unit.isEmpty())
                part += QLatin1Char(' ') + unit;
            if (q->AlarmState == TLangQuan::asLow)
                part += QStringLiteral(" !LOW");
            else if (q->AlarmState == TLangQuan::asHigh)
                part += QStringLiteral(" !HIGH");
            parts << part;
        }
        // Names and units come from the device: one line per tick, and nothing the terminal runs.
        return EscapeControls(parts.join(QStringLiteral(" | "))).toUtf8();
    }

    const TReaderCore &m_reader;
    bool m_json;
    int m_count;
    int m_ticks = 0;
    std::function<void()> m_finished;
    QString m_csv;
    bool m_stdoutGone = false;
    bool m_droppedSaid = false;
    std::vector<TLangQuan *> m_rows;
    TOutageReport m_outage;
};

// Exit status 1 when any record did not reach the log, with how many and why.
int ReportUnwritten(const TReaderCore &reader, const QString &csv)
{
    TRecFile *log = reader.RecFile();
    if (log == nullptr)
        return ExitOk;
    const bool flushed = log->FlushPending();
    if (flushed && log->RecordsDropped() == 0)
        return ExitOk;
    if (!flushed)
        Cli::PrintErr(QStringLiteral("ombrix-logger: %1 records could not be written to \"%2\": %3")
                          .arg(log->PendingCount())
                          .arg(csv, log->LastError()));
    if (log->RecordsDropped() > 0)
        Cli::PrintErr(QStringLiteral("ombrix-logger: %1 records were dropped while waiting for \"%2\"")
                          .arg(log->RecordsDropped())
                          .arg(csv));
    return ExitConnect;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ombrix-logger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OMBRIX_VERSION));

    Options o;
    try {
        if (!parse(Service::ExpandConfig(QCoreApplication::arguments()), o))
            return ExitOk;
        CheckLogFile(o);
        if (o.service.checkConfig) {
            std::fputs(Service::EffectiveSettings(o.params, o.interval, o.csv, o.append, o.service)
                           .toUtf8()
                           .constData(),
                       stdout);
            return ExitOk;
        }
    } catch (const Service::TConfigError &e) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: ") + e.message);
        return ExitUsage;
    } catch (const Service::TOptionError &e) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: ") + e.message);
        std::fputs(UsageText().toLocal8Bit().constData(), stderr);
        return ExitUsage;
    } catch (const UsageError &e) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: ") + e.message);
        std::fputs(UsageText().toLocal8Bit().constData(), stderr);
        return ExitUsage;
    }

    // Claimed before connecting, so a signal during the connection attempt does not kill the
    // process halfway; it ends the run as soon as the event loop runs.
    Platform::TTerminationSignals terminationSignals;
    // SIGHUP asks for the log to be opened again (log rotation): it must not cut exchanges short.
    Platform::SetHangupEndsRun(false);
    // A closed standard output ends the printing, not the run (a failed write says so).
    std::signal(SIGPIPE, SIG_IGN);

    Service::TServiceRun service(o.service, QStringLiteral(OMBRIX_VERSION));
    if (const QString problem = service.Start(); !problem.isEmpty()) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: ") + problem);
        return ExitConnect;
    }
    bool stopRequested = false;
    QObject::connect(&terminationSignals, &Platform::TTerminationSignals::Received, &app,
                     [&stopRequested](int signalNumber) {
                         // SIGHUP asks a running logger to reopen its log; it ends only the waits.
                         if (signalNumber != SIGHUP)
                             stopRequested = true;
                     });

    TErrMessageList errors;
    TDeviceConnection conn(errors);
    if (!service.Connect([&] { return Cli::ConnectDevice(conn, o.params) == ExitOk; },
                         [&stopRequested] { return stopRequested; })) {
        service.Finish();
        return stopRequested ? ExitOk : ExitConnect;
    }
    LoadUserAlarms(conn);

    std::unique_ptr<TReaderCore> reader = CreateReader(conn, nullptr, ReaderSettingsOf(o));
    if (!reader) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: the device's family cannot be read"));
        return ExitConnect;
    }

    // A signal cuts the device exchange under way short (the read fails at once and that tick
    // is not recorded); the loop then ends and the records waiting for the file are written.
    const auto finish = [&reader] {
        reader->StopReading();
        QCoreApplication::exit(ExitOk);
    };
    // SIGHUP is log rotation's request to reopen the log, not to end the run.
    QObject::connect(&terminationSignals, &Platform::TTerminationSignals::Received, &app,
                     [&reader, finish](int signalNumber) {
                         if (signalNumber == SIGHUP)
                             reader->ReopenCsvFile();
                         else
                             finish();
                     });
    TLoggerOutput output(*reader, o.json, o.count, finish, o.csv);
    reader->AddView(&output);
    service.Attach(conn, *reader);
    reader->StartReading();
    int status = stopRequested ? ExitOk : app.exec();
    reader->StopReading();
    service.Finish();

    if (const int logStatus = ReportUnwritten(*reader, o.csv); logStatus != ExitOk)
        status = logStatus;
    reader->RemoveView(&output);
    service.Detach(*reader);
    reader.reset();
    conn.Disconnect();
    return status;
}
