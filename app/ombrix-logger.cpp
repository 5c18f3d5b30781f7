// ombrix-logger: the measurement without any window, for servers and unattended stations.
// Connects and identifies like ombrix-probe, then runs the program's reader core every
// -interval seconds: the alarms with the user limits the program keeps, the CSV file of the
// program, and one line of text or JSON per tick on standard output.

#include "CliConnect.h"

#include "connection/uDeviceConnection.h"
#include "model/uValueText.h"
#include "platform/TerminationSignals.h"
#include "reading/uOutageReport.h"
#include "reading/uReaderCore.h"
#include "reading/uReaderView.h"
#include "shell/uApplicationFolders.h"
#include "shell/uApplicationSpecifical.h"
#include "shell/uSettingsStore.h"

#include "OmbrixVersion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

#include <climits>
#include <cmath>
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
    return QStringLiteral("Usage: ombrix-logger [options]\n"
                          "\n"
                          "Connects to the transmitter, identifies it and reads it every interval until\n"
                          "-count ticks are done or SIGINT or SIGTERM arrives: a device exchange under way\n"
                          "is cut short, the records are written and the run ends within a moment.\n"
                          "The first failed reading of an outage (with its reason) and the recovery are\n"
                          "reported on standard error.\n"
                          "\n"
                          "Options:\n") +
           QString::fromLatin1(Cli::ConnectionOptionsHelp) +
           QStringLiteral(
               "  -interval S                  seconds between readings, 1-3600 (default 1)\n"
               "  -csv FILE                    write the measurement log into FILE\n"
               "  -append                      continue an existing FILE (without it an existing FILE\n"
               "                               is refused, never overwritten)\n"
               "  -count N                     stop after N readings (default: run until a signal)\n"
               "  --json                       one JSON object per reading instead of a line of text\n"
               "  --help                       print this text\n"
               "  --version                    print the version\n"
               "\n"
               "The alarm limits are the user limits the program keeps in section USR_ALARMS of\n"
               "its settings file.\n"
               "\n"
               "Exit status: 0 success (also when readings failed: they are logged); 1 connecting\n"
               "or identifying failed (the message, then the reason on the next line, on standard\n"
               "error), or the log could not be written; 2 bad usage.\n"
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
        } else if (!Cli::TakeConnectionOption(a, args, i, o.params, ipGiven)) {
            throw UsageError{QStringLiteral("unknown option \"%1\"").arg(args[i])};
        }
    }
    Cli::CheckConnectionOptions(o.params, ipGiven);
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
}

// The user alarm settings of all slots as the program keeps them; the logger only reads them.
void LoadUserAlarms(TDeviceConnection &conn)
{
    const TSettingsStore store(DefaultUserSettingsFile(), true);
    for (int slot = 0; slot < SettingsKeys::UserAlarmSlotCount; ++slot)
        LoadUserAlarmSlot(store, slot, conn.GetQuantity(slot));
}

// ISO 8601 local time with its offset from UTC: "2026-03-29T14:05:09+02:00".
QString IsoLocalTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// Prints one line per tick and ends the run after the wanted number of ticks.
class TLoggerOutput : public IReaderView
{
public:
    TLoggerOutput(const TReaderCore &reader, bool json, int count, std::function<void()> finished)
        : m_reader(reader), m_json(json), m_count(count), m_finished(std::move(finished))
    {
    }

    void QuantityAdded(int, TLangQuan &quantity, const TChartHistory &) override
    {
        m_rows.push_back(&quantity);
    }
    void ReadingStarted() override {}
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override { m_rows.clear(); }

    void CycleFinished(bool paused) override
    {
        if (const QString change =
                m_outage.Tick(paused || m_reader.LastReadSucceeded(), m_reader.LastFailureReason());
            !change.isEmpty())
            Cli::PrintErr(QStringLiteral("ombrix-logger: ") + change);
        const QByteArray line = m_json ? JsonLine(paused) : TextLine();
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        // Whoever reads the pipe sees every tick as it happens.
        std::fflush(stdout);
        if (m_count > 0 && ++m_ticks >= m_count)
            m_finished();
    }

private:
    int SlotOf(const TLangQuan &quantity) const
    {
        TDeviceConnection &c = m_reader.Connection();
        for (int i = 0; i < TDeviceConnection::QuantityCount; ++i) {
            if (&c.GetQuantity(i) == &quantity)
                return i;
        }
        return -1;
    }

    static QJsonValue NumberOrNull(const TLangQuan &q)
    {
        return q.ReadOK && std::isfinite(q.Value) ? QJsonValue(q.Value) : QJsonValue();
    }

    QByteArray JsonLine(bool paused) const
    {
        QJsonArray slots;
        for (const TLangQuan *q : m_rows) {
            slots.append(QJsonObject{
                {QStringLiteral("slot"), SlotOf(*q)},
                {QStringLiteral("name"), q->GetName()},
                {QStringLiteral("unit_symbol"), q->GetPlainUnitSymbol()},
                {QStringLiteral("value"), NumberOrNull(*q)},
                {QStringLiteral("value_text"), QuantityValueText(*q, QLocale::c())},
                {QStringLiteral("read_ok"), q->ReadOK},
                // The error text only means something while the reading is not valid.
                {QStringLiteral("error_text"), q->ReadOK ? QString() : q->ErrorText},
                {QStringLiteral("device_alarm_code"), q->DeviceAlarmCode},
                {QStringLiteral("alarm_state"), q->AlarmState},
                {QStringLiteral("alarm_mode"), q->AlarmMode},
            });
        }
        const QJsonObject tick{{QStringLiteral("time"), IsoLocalTime(m_reader.LastCycleTime())},
                               {QStringLiteral("read_ok"), m_reader.LastReadSucceeded()},
                               {QStringLiteral("paused"), paused},
                               {QStringLiteral("slots"), slots}};
        return QJsonDocument(tick).toJson(QJsonDocument::Compact);
    }

    QByteArray TextLine() const
    {
        QStringList parts{IsoLocalTime(m_reader.LastCycleTime())};
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
        return parts.join(QStringLiteral(" | ")).toUtf8();
    }

    const TReaderCore &m_reader;
    bool m_json;
    int m_count;
    int m_ticks = 0;
    std::function<void()> m_finished;
    std::vector<TLangQuan *> m_rows;
    TOutageReport m_outage;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ombrix-logger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OMBRIX_VERSION));

    Options o;
    try {
        if (!parse(QCoreApplication::arguments(), o))
            return ExitOk;
        CheckLogFile(o);
    } catch (const UsageError &e) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: ") + e.message);
        std::fputs(UsageText().toLocal8Bit().constData(), stderr);
        return ExitUsage;
    }

    // Claimed before connecting, so a signal during the connection attempt does not kill the
    // process halfway; it ends the run as soon as the event loop runs.
    Platform::TTerminationSignals terminationSignals;

    TErrMessageList errors;
    TDeviceConnection conn(errors);
    if (const int status = Cli::ConnectDevice(conn, o.params); status != ExitOk)
        return status;
    LoadUserAlarms(conn);

    std::unique_ptr<TReaderCore> reader = CreateReader(conn, nullptr);
    if (!reader) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: the device's family cannot be read"));
        return ExitConnect;
    }
    reader->IntervalSec = o.interval;
    reader->ChartPoints = 0; // no chart: no history is kept
    reader->BrandingIniPath = ExecutableDir() + BrandingFileName;
    if (!o.csv.isEmpty()) {
        const QFileInfo file(o.csv);
        reader->LogToCsv = true;
        reader->CsvFolder = file.absolutePath();
        reader->CsvFileName = file.fileName();
    }

    // A signal cuts the device exchange under way short (the read fails at once and that tick
    // is not recorded); the loop then ends and the records waiting for the file are written.
    const auto finish = [&reader] {
        reader->StopReading();
        QCoreApplication::exit(ExitOk);
    };
    QObject::connect(&terminationSignals, &Platform::TTerminationSignals::Received, &app, finish);
    TLoggerOutput output(*reader, o.json, o.count, finish);
    reader->AddView(&output);
    reader->StartReading();
    int status = app.exec();
    reader->StopReading();

    if (TRecFile *log = reader->RecFile(); log != nullptr && !log->FlushPending()) {
        Cli::PrintErr(QStringLiteral("ombrix-logger: records could not be written to \"%1\"").arg(o.csv));
        status = ExitConnect;
    }
    reader->RemoveView(&output);
    reader.reset();
    conn.Disconnect();
    return status;
}
