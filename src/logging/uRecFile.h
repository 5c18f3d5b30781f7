#pragma once

#include "logging/uAlterNames.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class QFile;
class TQuantity;
class TSensType;
class TErrMessageList;

// The measurement log: a semicolon-separated text file with a short header and one record
// per reading tick. The file is opened, appended to and closed again for every line, so other
// programs may read it meanwhile; lines that cannot be written at the moment wait in memory
// and are written, in order, as soon as the file opens again.
//
// Every cell is the text in double quotes, quotes inside are not escaped; lines end in CR LF;
// the text is UTF-8, with a byte-order mark in front of a line that goes to an empty file so
// that spreadsheets read "°C" correctly.
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
    bool HeaderWritten = false;
    std::optional<QStringList> Pending;
    TAlterNames AlterNames;

    // Stores the folder, adding a trailing "/" to a non-empty text that lacks one.
    void SetFolder(const QString &folder);
    QString FilePath() const { return Folder + FileName; }

    // The header first when it has not been written or queued yet, then the record.
    // False only when the header or the record could not be handled.
    bool WriteRecord(bool readOK, const QString &note = QString());
    bool WriteHeader();
    bool WriteData(bool readOK, const QString &note = QString());
    // Empty text: nothing to do. Otherwise earlier pending lines go first; when the file cannot
    // be opened (or the pending lines cannot be written) the text joins them (true). A failure
    // while writing loses this line (false) and leaves the file exactly as it was before it.
    bool AppendLine(const QString &text);
    // Writes all pending lines in order, each exactly once; false when the file could not be
    // opened or a line not written whole, with that line and the ones after it still pending.
    bool FlushPending();

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
    };

    bool OpenForAppend(QFile &file) const;
    // Writes the line whole or not at all: after a failed write the file is cut back to the
    // size it had before this line.
    static bool WriteLine(TAppendTarget &target, const QString &text);
    void Queue(const QString &text);
    bool IsDusko() const;

    const TErrMessageList &m_errMessages;
    TClock m_clock;
    QLocale m_locale;
    QString m_dateFormat; // looked up once: the locale does not change during a measurement
    QString m_timeFormat;
};
