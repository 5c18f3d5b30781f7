#pragma once

#include "logging/uAlterNames.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QFile;
class TQuantity;
class TSensType;
class TErrMessageList;

// The measurement log: a semicolon-separated text file with a short header and one record
// per reading tick. The file is opened, appended to and closed again for every line, so other
// programs may read it meanwhile and log rotation may move it away. A record that cannot be
// written at the moment (missing folder, no permission, full disk) waits in memory and is
// written, in order, as soon as the file takes it again; the waiting records are bounded, and
// beyond the bound the oldest are dropped and counted.
//
// The header block goes in front of the first record of a run (so an appended run gets its own)
// and in front of the first record of a file that is found empty (created anew after rotation).
// A file that does not end in a line break (cut by a crash of another writer) gets one before
// anything is appended. Every cell is the text in double quotes, quotes inside are not escaped;
// lines end in CR LF; the text is UTF-8, with a byte-order mark in front of a line that goes to
// an empty file so that spreadsheets read "°C" correctly.
class TRecFile
{
    Q_DECLARE_TR_FUNCTIONS(TRecFile)

public:
    static constexpr int ColumnCount = 20; // one place per quantity slot of the connection
    using TClock = std::function<QDateTime()>;

    // FileName becomes "yymmddhhnnss.csv" of the clock's local time; the alternative
    // designations are loaded from section "types" of the branding file. The locale decides
    // the date, time and number formats of the records. The error list is the program-wide
    // one of the connected family (Dusko error patterns, Gelmi error codes); it must outlive
    // the file, and is required so that no reader can forget to hand it over.
    TRecFile(const TErrMessageList &errMessages, const QString &brandingIniPath, TClock clock = {},
             const QLocale &locale = QLocale::system());
    ~TRecFile() = default; // pending lines are dropped: the owner calls FlushPending first
    TRecFile(const TRecFile &) = delete;
    TRecFile &operator=(const TRecFile &) = delete;

    QString FileName;
    QString Folder; // empty: the current folder; set through SetFolder
    QString SerialNumber;
    const TSensType *SensorType = nullptr;
    std::array<const TQuantity *, ColumnCount> Columns{};
    bool HeaderWritten = false; // in this run; a file found empty gets it again
    TAlterNames AlterNames;
    // Bounds of the waiting records, whichever is reached first; beyond them the oldest go.
    // No bound on the count when 0.
    static constexpr qint64 DefaultMaxPendingBytes = qint64(64) * 1024 * 1024;
    qint64 MaxPendingRecords = 0;
    qint64 MaxPendingBytes = DefaultMaxPendingBytes;

    // Stores the folder, adding a trailing "/" to a non-empty text that lacks one.
    void SetFolder(const QString &folder);
    QString FilePath() const { return Folder + FileName; }

    // The record, after the waiting ones and the header block when due. True when it and every
    // waiting record are in the file; false when they wait (LastError says why).
    bool WriteRecord(bool readOK, const QString &note = QString());
    // Empty text: nothing to do (true). Otherwise as WriteRecord, for a line of any text.
    bool AppendLine(const QString &text);
    // Writes all waiting lines in order, each exactly once; false when the file could not be
    // opened or a line not written whole, with that line and the ones after it still waiting.
    bool FlushPending();
    // The file may have been replaced (log rotation): its end is looked at again before the
    // next line goes to it.
    void Reopen() { m_knownSize = -1; }

    const QStringList &Pending() const { return m_pending; }
    qint64 PendingCount() const { return m_pending.size(); }
    quint64 RecordsWritten() const { return m_recordsWritten; }
    quint64 RecordsDropped() const { return m_recordsDropped; }
    // Why the last attempt to write failed (the system's text); kept after a success.
    const QString &LastError() const { return m_lastError; }

    // Empty when the file at path can be created or appended to; otherwise why not. A file that
    // did not exist is not left behind.
    static QString CheckWritable(const QString &path);

    // The texts themselves, without touching the file.
    QString BuildHeader() const;
    QString BuildRecord(bool readOK, const QString &note = QString()) const;
    QString ValueCell(const TQuantity &quantity, bool readOK) const;

    const QLocale &Locale() const { return m_locale; }
    const TErrMessageList &ErrMessages() const { return m_errMessages; }

    // The locale's short date format, and its long time format without the time-zone part.
    static QString DateFormatOf(const QLocale &locale);
    static QString TimeFormatOf(const QLocale &locale);

private:
    // The file opened for one series of lines: its size on disk so far, and whether the
    // byte-order mark is still due (decided once, from the size the file had when opened).
    struct TAppendTarget {
        explicit TAppendTarget(QFile &file);
        QFile &File;
        qint64 Size;
        bool MarkDue;
        QString Error; // why the last line failed
    };

    bool OpenForAppend(QFile &file) const;
    // Writes the line whole or not at all: after a failed write the file is cut back to the
    // size it had before this line.
    static bool WriteLine(TAppendTarget &target, const QString &text);
    // Before the first waiting line: a line break when the file ends in a cut line, and the
    // header block when due.
    bool StartLines(TAppendTarget &target);
    bool EndsInCutLine(const TAppendTarget &target) const;
    void Queue(const QString &text);
    static qint64 MemoryOf(const QString &text) { return text.size() * qint64(sizeof(QChar)); }
    bool IsDusko() const;

    const TErrMessageList &m_errMessages;
    TClock m_clock;
    QLocale m_locale;
    QString m_dateFormat; // looked up once: the locale does not change during a measurement
    QString m_timeFormat;
    QStringList m_pending;
    qint64 m_pendingBytes = 0;
    quint64 m_recordsWritten = 0;
    quint64 m_recordsDropped = 0;
    QString m_lastError;
    qint64 m_knownSize = -1; // the size this file left the log at; -1: not known
};
