#pragma once

// The reader of a running measurement, without any window: every tick the family reader
// reads the device and stores values, validity and device alarm codes into the quantities;
// FinishCycle, common to every family, then evaluates the alarms, adds the chart points,
// writes the CSV record and decides the alarm sound. Windows (rows, popup rows, charts, the
// reader frame) and ombrix-logger attach as views and are told what changed; none of them
// decides anything.

#include "reading/uChartHistory.h"
#include "reading/uReaderSettings.h"
#include "reading/uReaderView.h"

#include "connection/uDeviceConnection.h"
#include "logging/uRecFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class ISoundPlayer;

// Why a read failed and where the device was asked, for an operator: "no reply within 3000 ms
// from 192.168.1.20:502", "the device answered with exception 2 from COM7 (/dev/ttyUSB0)".
QString ReadFailureReason(const std::exception &e, const TConnectionParams &params, int timeoutMs);

class TReaderCore : public QObject
{
    Q_OBJECT

public:
    using TClock = std::function<QDateTime()>;

    // connection: the open connection with its identified quantity slots; player: the sound
    // output (none: silent). Both must outlive the reader.
    TReaderCore(TDeviceConnection &connection, ISoundPlayer *player, TReaderSettings settings = {},
                QObject *parent = nullptr);
    // Flushes and frees the record file first, then tells the views the measurement ended.
    ~TReaderCore() override;

    const TReaderSettings &Settings() const { return m_settings; }
    bool IsPaused() const { return m_settings.Paused; }
    // The time of a tick (tests and benchmarks fix it); the local time by default.
    TClock Clock;

    // Points of a chart for a graph length and a reading interval (integer division).
    static std::int32_t ChartPointsOf(int graphMinutes, int intervalSec);

    void AddView(IReaderView *view);
    void RemoveView(IReaderView *view);

    // Adds the family's quantities and the record file, tells the views, and starts the
    // timer: the first tick follows after 1 ms.
    virtual void StartReading();
    // Disables the reading timer (a tick under way finishes) and the sound repetition.
    virtual void StopReading();
    virtual void TogglePause();
    bool IsRunning() const { return tReader.isActive(); }
    // The time from one reading tick to the next, in ms.
    int TickIntervalMs() const { return tReader.interval(); }
    // The alarm sound repeats (until the alarm ends or "disable sound"), every so many ms.
    bool SoundRepeating() const { return tAcoustic.isActive(); }
    int SoundRepeatIntervalMs() const { return tAcoustic.interval(); }

    // One reading tick of the family, ending in FinishCycle. Runs from tReader; a tool that
    // wants exactly one reading may call it directly.
    virtual void tReaderTimer() = 0;

    // A present quantity (type not 0) becomes the next row with its history; an absent one
    // is skipped.
    void AddQuantity(TLangQuan &quantity);
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    TLangQuan &RowQuantity(int row) const { return *m_rows.at(static_cast<std::size_t>(row)).Quantity; }
    const TChartHistory &History(int row) const { return *m_rows.at(static_cast<std::size_t>(row)).History; }

    // The common end of every tick, also when paused or when the read failed.
    void FinishCycle(bool readSucceeded);
    // The read-succeeded flag of the last FinishCycle.
    bool LastReadSucceeded() const { return m_lastReadSucceeded; }
    // Why the last failed tick failed, with where the device was asked ("no reply within
    // 3000 ms from 192.168.1.20:502"); empty after a good tick.
    const QString &LastFailureReason() const { return m_lastFailureReason; }
    // The time FinishCycle took for its last tick.
    const QDateTime &LastCycleTime() const { return m_lastCycleTime; }

    void PlayAlarmSound();
    void AcknowledgeAll();
    // "disable sound": hides the button, stops the repetition and acknowledges every alarm.
    void QuietAlarmAcoustic();
    bool QuietButtonVisible() const { return m_quietVisible; }

    TDeviceConnection &Connection() const { return m_connection; }
    const TSensType &SensorType() const { return m_connection.SensType; }
    TRecFile *RecFile() const { return m_recFile.get(); }
    // The CSV file of this measurement: records in the file, ticks whose record could not be
    // written, records waiting in memory, and waiting records dropped beyond the bound.
    quint64 CsvRecordsWritten() const { return m_recFile ? m_recFile->RecordsWritten() : 0; }
    quint64 CsvWriteFailures() const { return m_csvWriteFailures; }
    qint64 CsvRecordsWaiting() const { return m_recFile ? m_recFile->PendingCount() : 0; }
    quint64 CsvRecordsDropped() const { return m_recFile ? m_recFile->RecordsDropped() : 0; }
    // The CSV file may have been moved away (log rotation): the next record goes to a file of
    // that name, the waiting ones are tried at once.
    void ReopenCsvFile();

public Q_SLOTS:
    void tAcousticTimer();

protected:
    // The family part of StartReading: the rows of the given slots in order, then the record
    // file with the slots as its columns when logging.
    void AddFamilyQuantities(std::span<const int> rowSlots, std::span<const int> columnSlots);
    // The family's register reads with up to three attempts; attempt() throws on failure.
    bool ReadWithAttempts(const std::function<void()> &attempt);
    // The master is reopened when needed; RS232 then waits for the transmitter.
    void OpenMasterIfClosed(bool waitForRS232);
    // The interval of the coming ticks, set at the start of every tick.
    void RestartInterval();
    // The tick of the Ethernet families: detached from tReader while it runs (timer events
    // meanwhile do nothing), one block from slave 1 with up to three attempts, then decode
    // (also after a failed read, not while paused) and FinishCycle.
    void DetachedTick(int firstRef, std::span<std::uint16_t> block,
                      const std::function<void(bool ok)> &decode);
    void DetachTick();
    void AttachTick();

private:
    struct TRow {
        TLangQuan *Quantity = nullptr;
        std::unique_ptr<TChartHistory> History;
    };

    void DropRows();
    void WriteCsvRecord(bool readOK, const QString &note = QString());
    // Tells the views when the file stops or starts taking the records again.
    void ReportCsvState(bool written, qint64 recordsWritten);
    void DecideSound(bool anyAlarm);
    void StartRepetition();
    void SetQuietVisible(bool visible);
    template <typename F> void ForEachView(F &&call);

    QTimer tReader;   // reading tick
    QTimer tAcoustic; // repetition of the alarm sound
    TDeviceConnection &m_connection;
    ISoundPlayer *m_player;
    TReaderSettings m_settings;
    std::unique_ptr<TRecFile> m_recFile;
    std::vector<TRow> m_rows;
    std::vector<IReaderView *> m_views;
    QMetaObject::Connection m_tickConnection;
    bool m_measuring = false; // rows were set up; the views hear when they go
    bool m_quietVisible = false;
    bool m_lastReadSucceeded = false;
    bool m_csvFailing = false;
    quint64 m_csvWriteFailures = 0;
    QString m_attemptFailure; // the reason of the last failed attempt of the tick under way
    QString m_lastFailureReason;
    QDateTime m_lastCycleTime;
};

// The reader of the identified family: Farvo for family 1, Dusko for kind 82, Gelmi for
// the other family-2 kinds; none for a connection without an identified family.
std::unique_ptr<TReaderCore> CreateReader(TDeviceConnection &connection, ISoundPlayer *player,
                                          const TReaderSettings &settings);
