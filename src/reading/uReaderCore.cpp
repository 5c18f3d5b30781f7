#include "reading/uReaderCore.h"

#include "comm/BusProtocolExceptions.h"
#include "comm/uTiming.h"
#include "platform/ComPorts.h"
#include "platform/SoundPlayer.h"
#include "platform/TerminationSignals.h"

#include <algorithm>

namespace
{

// Where the device was asked: "192.168.1.20:502" or "COM7 (/dev/ttyUSB0)".
QString DeviceEndpoint(const TConnectionParams &params)
{
    if (params.Protocol == TProtocol::Ethernet)
        return QStringLiteral("%1:%2").arg(params.IP).arg(params.TcpPort);
    const QString com = QStringLiteral("COM%1").arg(params.ComPortNumber);
    const QString device = ComPorts::ResolvePortName(com);
    return device.isEmpty() ? com : QStringLiteral("%1 (%2)").arg(com, device);
}

int ExceptionCode(const std::exception &e)
{
    if (dynamic_cast<const EMbusIllegalFunctionException *>(&e))
        return 1;
    if (dynamic_cast<const EMbusIllegalAddressException *>(&e))
        return 2;
    if (dynamic_cast<const EMbusIllegalValueException *>(&e))
        return 3;
    if (dynamic_cast<const EMbusSlaveFailureException *>(&e))
        return 4;
    return 0;
}

QString FailureCause(const std::exception &e, int timeoutMs)
{
    if (dynamic_cast<const EReplyTimeoutException *>(&e))
        return QStringLiteral("no reply within %1 ms").arg(timeoutMs);
    if (dynamic_cast<const EMbusResponseException *>(&e)) {
        const int code = ExceptionCode(e);
        return code > 0 ? QStringLiteral("the device answered with exception %1").arg(code)
                        : QStringLiteral("the device answered with an exception");
    }
    if (dynamic_cast<const EConnectionWasClosed *>(&e))
        return QStringLiteral("the connection was dropped");
    if (dynamic_cast<const ETcpipConnectErr *>(&e))
        return QStringLiteral("the connection could not be made");
    if (const auto *known = dynamic_cast<const Exception *>(&e))
        return known->Message();
    return QString::fromLocal8Bit(e.what());
}

} // namespace

QString ReadFailureReason(const std::exception &e, const TConnectionParams &params, int timeoutMs)
{
    return FailureCause(e, timeoutMs) + QStringLiteral(" from ") + DeviceEndpoint(params);
}

TReaderCore::TReaderCore(TDeviceConnection &connection, ISoundPlayer *player, TReaderSettings settings,
                         QObject *parent)
    : QObject(parent), m_connection(connection), m_player(player), m_settings(std::move(settings))
{
    tReader.setSingleShot(false);
    tAcoustic.setSingleShot(false);
    connect(&tAcoustic, &QTimer::timeout, this, &TReaderCore::tAcousticTimer);
    AttachTick();
}

TReaderCore::~TReaderCore()
{
    tReader.stop();
    tAcoustic.stop();
    // The pending records reach the file before anything else goes away.
    if (m_recFile) {
        m_recFile->FlushPending();
        m_recFile.reset();
    }
    DropRows();
}

std::int32_t TReaderCore::ChartPointsOf(int graphMinutes, int intervalSec)
{
    return intervalSec > 0 ? graphMinutes * 60 / intervalSec : 0;
}

void TReaderCore::AddView(IReaderView *view)
{
    if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void TReaderCore::RemoveView(IReaderView *view)
{
    std::erase(m_views, view);
}

template <typename F> void TReaderCore::ForEachView(F &&call)
{
    // A copy: a view may detach itself while it is being told.
    const std::vector<IReaderView *> views = m_views;
    for (IReaderView *view : views)
        call(*view);
}

void TReaderCore::DropRows()
{
    if (!m_measuring)
        return;
    m_measuring = false;
    ForEachView([](IReaderView &v) { v.ReadingStopped(); });
    m_rows.clear();
}

void TReaderCore::AddQuantity(TLangQuan &quantity)
{
    if (quantity.GetQuanType() == TQuantity::qtNone)
        return;
    quantity.ResetAlarms();
    m_measuring = true;
    TRow row;
    row.Quantity = &quantity;
    row.History = std::make_unique<TChartHistory>();
    row.History->SetPointCount(m_settings.ChartPoints, m_settings.IntervalSec);
    m_rows.push_back(std::move(row));
    const int index = RowCount() - 1;
    const TChartHistory &history = *m_rows.back().History;
    ForEachView([&](IReaderView &v) { v.QuantityAdded(index, quantity, history); });
}

void TReaderCore::AddFamilyQuantities(std::span<const int> rowSlots, std::span<const int> columnSlots)
{
    // A new measurement starts from nothing: rows, histories and latches of an earlier one go.
    DropRows();
    m_recFile.reset();
    m_csvFailing = false;
    m_csvWriteFailures = 0;
    m_measuring = true;
    for (int slot : rowSlots)
        AddQuantity(m_connection.GetQuantity(slot));
    if (!m_settings.LogToCsv)
        return;
    m_recFile = std::make_unique<TRecFile>(m_connection.ErrorList(), m_settings.BrandingFilePath);
    m_recFile->SetFolder(m_settings.CsvFolder);
    m_recFile->FileName = m_settings.CsvFileName;
    m_recFile->SerialNumber = m_connection.SerialText;
    m_recFile->SensorType = &m_connection.SensType;
    // A week of records may wait for the file (unless the memory bound comes first).
    constexpr qint64 WaitSeconds = qint64(7) * 24 * 3600;
    m_recFile->MaxPendingRecords = WaitSeconds / std::max(m_settings.IntervalSec, 1);
    for (int slot : columnSlots)
        m_recFile->Columns[static_cast<std::size_t>(slot)] = &m_connection.GetQuantity(slot);
}

void TReaderCore::StartReading()
{
    ForEachView([](IReaderView &v) { v.ReadingStarted(); });
    tReader.setInterval(1);
    tReader.start();
}

void TReaderCore::StopReading()
{
    tReader.stop();
    // Nothing may keep sounding for a measurement that has ended.
    tAcoustic.stop();
    SetQuietVisible(false);
}

void TReaderCore::TogglePause()
{
    m_settings.Paused = !m_settings.Paused;
}

void TReaderCore::RestartInterval()
{
    tReader.setInterval(std::max(m_settings.IntervalSec, 1) * 1000);
}

void TReaderCore::AttachTick()
{
    if (!m_tickConnection)
        m_tickConnection = connect(&tReader, &QTimer::timeout, this, &TReaderCore::tReaderTimer);
}

void TReaderCore::DetachTick()
{
    disconnect(m_tickConnection);
    m_tickConnection = {};
}

void TReaderCore::DetachedTick(int firstRef, std::span<std::uint16_t> block,
                               const std::function<void(bool ok)> &decode)
{
    DetachTick();
    // Whatever happens in the tick, the handler is attached again when it ends.
    struct TReattach {
        TReaderCore *reader;
        ~TReattach() { reader->AttachTick(); }
    } reattach{this};
    RestartInterval();

    bool ok = false;
    if (!m_settings.Paused) {
        TMSPModbus &master = m_connection.Modbus;
        ok = ReadWithAttempts([&] {
            OpenMasterIfClosed(false);
            master.ReadRegisters(1, firstRef, block);
            if (m_settings.IntervalSec > 10)
                master.Close();
        });
        decode(ok);
    }
    FinishCycle(ok);
}

void TReaderCore::OpenMasterIfClosed(bool waitForRS232)
{
    TMSPModbus &master = m_connection.Modbus;
    if (master.IsOpen())
        return;
    master.Open();
    if (waitForRS232 && m_connection.Params.Protocol == TProtocol::RS232)
        PumpDelay(TDeviceConnection::RS232SettleMs);
}

bool TReaderCore::ReadWithAttempts(const std::function<void()> &attempt)
{
    constexpr int Attempts = 3;
    for (int i = 0; i < Attempts; ++i) {
        try {
            attempt();
            return true;
        } catch (const std::exception &e) {
            // A failed attempt is silent; the rows and the log show the failed reading, and the
            // reason waits for whoever reports it.
            m_attemptFailure = ReadFailureReason(e, m_connection.Params, m_connection.Modbus.timeout());
        }
        // After a termination request every further attempt would be cut short as well.
        if (Platform::TerminationRequested())
            break;
    }
    return false;
}

void TReaderCore::FinishCycle(bool readSucceeded)
{
    // A read cut short by a termination signal measured nothing: the run ends without that tick
    // rather than logging a device failure that did not happen.
    if (!readSucceeded && !m_settings.Paused && Platform::TerminationRequested())
        return;
    const QDateTime now = Clock ? Clock() : QDateTime::currentDateTime();
    m_lastCycleTime = now;
    m_lastReadSucceeded = readSucceeded;
    m_lastFailureReason = readSucceeded || m_settings.Paused ? QString() : m_attemptFailure;
    m_attemptFailure.clear();
    const double nowSec = static_cast<double>(now.toMSecsSinceEpoch()) / 1000.0;

    if (m_settings.Paused) {
        for (TRow &row : m_rows)
            row.History->AddPoint(row.Quantity->Value, false, nowSec);
        // The record goes first: whatever a view does with the tick cannot lose it.
        WriteCsvRecord(false, tr("Paused"));
        ForEachView([](IReaderView &v) { v.CycleFinished(true); });
        return;
    }

    bool anyAlarm = false;
    for (TRow &row : m_rows) {
        if (row.Quantity->EvaluateAlarm())
            anyAlarm = true;
    }
    for (TRow &row : m_rows)
        row.History->AddPoint(row.Quantity->Value, row.Quantity->ReadOK, nowSec);
    WriteCsvRecord(readSucceeded);
    ForEachView([](IReaderView &v) { v.CycleFinished(false); });
    DecideSound(anyAlarm);
}

void TReaderCore::WriteCsvRecord(bool readOK, const QString &note)
{
    if (!m_settings.LogToCsv || !m_recFile)
        return;
    const quint64 before = m_recFile->RecordsWritten();
    const bool written = m_recFile->WriteRecord(readOK, note);
    if (!written)
        ++m_csvWriteFailures;
    ReportCsvState(written, static_cast<qint64>(m_recFile->RecordsWritten() - before));
}

void TReaderCore::ReportCsvState(bool written, qint64 recordsWritten)
{
    if (written == !m_csvFailing)
        return;
    m_csvFailing = !written;
    if (written)
        ForEachView([recordsWritten](IReaderView &v) { v.CsvWriteRecovered(recordsWritten); });
    else
        ForEachView([this](IReaderView &v) { v.CsvWriteFailed(m_recFile->LastError()); });
}

void TReaderCore::ReopenCsvFile()
{
    if (!m_recFile)
        return;
    m_recFile->Reopen();
    const quint64 before = m_recFile->RecordsWritten();
    if (m_recFile->PendingCount() > 0) {
        const bool written = m_recFile->FlushPending();
        ReportCsvState(written, static_cast<qint64>(m_recFile->RecordsWritten() - before));
    }
}

void TReaderCore::DecideSound(bool anyAlarm)
{
    const TAcousticSettings &acoustic = m_settings.Acoustic;
    if (acoustic.RepeatMode == TRepeatMode::UntilUserInterrupt) {
        // Unacknowledged alarms and reading errors count even when they are already gone.
        const bool pending = std::any_of(m_rows.begin(), m_rows.end(), [](const TRow &row) {
            return row.Quantity->AlarmLatch == TLangQuan::lsPending ||
                   row.Quantity->ErrorLatch == TLangQuan::lsPending;
        });
        if (pending && !tAcoustic.isActive() && acoustic.SoundMode != TSoundMode::Disabled) {
            StartRepetition();
            SetQuietVisible(true);
        }
        return;
    }
    if (!anyAlarm) {
        tAcoustic.stop();
        return;
    }
    if (acoustic.RepeatMode == TRepeatMode::Once) {
        PlayAlarmSound();
        return;
    }
    if (!tAcoustic.isActive())
        StartRepetition();
}

void TReaderCore::StartRepetition()
{
    // A repetition interval of 0 would play on every pass of the event loop.
    tAcoustic.setInterval(std::max(m_settings.Acoustic.RepeatInterval, 1) * 1000);
    PlayAlarmSound();
    tAcoustic.start();
}

void TReaderCore::SetQuietVisible(bool visible)
{
    if (m_quietVisible == visible)
        return;
    m_quietVisible = visible;
    ForEachView([visible](IReaderView &v) { v.QuietButtonChanged(visible); });
}

void TReaderCore::tAcousticTimer()
{
    PlayAlarmSound();
}

void TReaderCore::PlayAlarmSound()
{
    if (m_player == nullptr)
        return;
    const TAcousticSettings &acoustic = m_settings.Acoustic;
    if (acoustic.SoundMode == TSoundMode::SystemSound)
        m_player->PlaySystemSound(acoustic.SystemSound);
    else if (acoustic.SoundMode == TSoundMode::SoundFile)
        m_player->PlayFile(acoustic.SoundFile);
}

void TReaderCore::AcknowledgeAll()
{
    for (TRow &row : m_rows)
        row.Quantity->AcknowledgeAlarms();
}

void TReaderCore::QuietAlarmAcoustic()
{
    SetQuietVisible(false);
    tAcoustic.stop();
    AcknowledgeAll();
}
