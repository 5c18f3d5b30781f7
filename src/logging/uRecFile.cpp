#include "logging/uRecFile.h"

#include "model/uOBGlob.h"
#include "model/uQuantity.h"
#include "model/uSensType.h"
#include "model/uTextEscape.h"
#include "model/uValueText.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <utility>

namespace
{

constexpr int DuskoKind = 82;
const QLatin1String LineEnd("\r\n");

// One quoted cell: a quote inside is doubled, and a control character (a line break of a
// device's name included) becomes a space, so every text stays one cell on its one line.
QString Cell(const QString &text)
{
    QString inner = ControlsToSpaces(text);
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

// A text the device chose (a channel's name and unit, its serial number) that a spreadsheet
// would run as a formula gets a leading apostrophe. Numbers never pass through here, so a
// negative value stays a number.
QString DeviceText(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@");
    const QString shown = ControlsToSpaces(text);
    if (!shown.isEmpty() && formulaStarts.contains(shown.front()))
        return QLatin1Char('\'') + shown;
    return shown;
}

QString Cells(const QStringList &texts)
{
    QStringList cells;
    cells.reserve(texts.size());
    for (const QString &text : texts)
        cells << Cell(text);
    return cells.join(QLatin1Char(';'));
}

} // namespace

TRecFile::TRecFile(const TErrMessageList &errMessages, const QString &brandingIniPath, TClock clock,
                   const QLocale &locale)
    : m_errMessages(errMessages),
      m_clock(clock ? std::move(clock) : TClock([] { return QDateTime::currentDateTime(); })),
      m_locale(locale), m_dateFormat(DateFormatOf(locale)), m_timeFormat(TimeFormatOf(locale))
{
    FileName = m_clock().toString(QStringLiteral("yyMMddHHmmss")) + QStringLiteral(".csv");
    AlterNames.Load(brandingIniPath, QStringLiteral("types"));
}

void TRecFile::SetFolder(const QString &folder)
{
    Folder = folder;
    if (!Folder.isEmpty() && !Folder.endsWith(QLatin1Char('/')))
        Folder += QLatin1Char('/');
}

QString TRecFile::DateFormatOf(const QLocale &locale)
{
    return locale.dateFormat(QLocale::ShortFormat);
}

namespace
{

bool IsZoneSeparator(QChar c)
{
    return c.isSpace() || c == QLatin1Char(',');
}

// Where the first "t" run (the time zone) outside quoted literals begins and ends; none: -1.
std::pair<qsizetype, qsizetype> ZoneRun(const QString &format)
{
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('t')) {
            qsizetype end = i;
            while (end < format.size() && format.at(end) == QLatin1Char('t'))
                ++end;
            return {i, end};
        }
    }
    return {-1, -1};
}

} // namespace

QString TRecFile::TimeFormatOf(const QLocale &locale)
{
    // The zone goes together with what only belongs to it: the brackets around it ("(t)",
    // "[t]"), and the blanks or comma that set it apart from the time, before it or, when it
    // leads, after it.
    QString format = locale.timeFormat(QLocale::LongFormat);
    for (;;) {
        auto [begin, end] = ZoneRun(format);
        if (begin < 0)
            break;
        if (begin > 0 && end < format.size()) {
            const QChar open = format.at(begin - 1);
            const QChar close = format.at(end);
            if ((open == QLatin1Char('(') && close == QLatin1Char(')')) ||
                (open == QLatin1Char('[') && close == QLatin1Char(']'))) {
                --begin;
                ++end;
            }
        }
        while (begin > 0 && IsZoneSeparator(format.at(begin - 1)))
            --begin;
        if (begin == 0)
            while (end < format.size() && IsZoneSeparator(format.at(end)))
                ++end;
        format.remove(begin, end - begin);
    }
    return format.trimmed();
}

bool TRecFile::IsDusko() const
{
    return SensorType && SensorType->GetKind() == DuskoKind;
}

QString TRecFile::ValueCell(const TQuantity &quantity, bool readOK) const
{
    if (!readOK)
        return QString();
    const double v = quantity.Value;
    const int type = quantity.GetQuanType();
    const auto formatted = [&] { return FormatValue(v, quantity.GetDecimals(), m_locale); };

    if (IsDusko()) {
        QString text;
        const auto *ex = dynamic_cast<const TLangQuanEx *>(&quantity);
        if (ex && m_errMessages.ErrorText(ex->RawReading, text))
            return text;
        return formatted();
    }
    if (type == TQuantity::qtCO2Concentration) {
        if (IsNear(v, -9998.0))
            return tr("----");
        if (v >= -9999.0)
            return formatted();
        return tr("Error ");
    }
    if (v > 999.0 && type != TQuantity::qtPressure)
        return tr("Error ") + QLatin1Char('1');
    if (v >= -999.0) {
        if (type == TQuantity::qtBinaryInput || type == TQuantity::qtRelayOutput ||
            type == TQuantity::qtCO2Level)
            return StateText(type, v);
        return formatted();
    }
    if (m_errMessages.ListType == TErrMessageList::ltGelmi && m_errMessages.Count() > 1) {
        const double magnitude = std::trunc(std::fabs(v * 10.0));
        for (const TErrMessage &item : m_errMessages.Items)
            if (item.Code == magnitude)
                return item.Text;
    }
    return tr("Error ") + QLatin1Char('2');
}

QString TRecFile::BuildHeader() const
{
    QStringList lines;
    if (!SerialNumber.isEmpty()) {
        const QString kindName = SensorType ? SensorType->GetKindName() : QString();
        lines << Cells({tr("Sensor type"), tr("Serial number")});
        lines << Cells({AlterNames.Translate(kindName), DeviceText(SerialNumber)});
        lines << QString();
    }
    QStringList titles{tr("Local PC Date"), tr("Local PC Time")};
    for (const TQuantity *q : Columns) {
        if (!q || q->GetQuanType() == TQuantity::qtNone)
            continue;
        const QString unit = q->GetPlainUnitSymbol();
        titles << DeviceText(unit.isEmpty() ? q->GetName()
                                            : q->GetName() + QStringLiteral(" (") + unit + QLatin1Char(')'));
    }
    if (titles.size() > 2)
        lines << Cells(titles);
    return lines.join(LineEnd);
}

QString TRecFile::BuildRecord(bool readOK, const QString &note) const
{
    const QString noteText = (note.isEmpty() && !readOK) ? tr("Read error") : note;
    QStringList cells;
    for (const TQuantity *q : Columns)
        if (q && q->GetQuanType() != TQuantity::qtNone)
            cells << ValueCell(*q, readOK);
    if (cells.isEmpty())
        return QLatin1Char(';') + Cell(noteText);

    const QDateTime now = m_clock();
    cells.prepend(m_locale.toString(now.time(), m_timeFormat));
    cells.prepend(m_locale.toString(now.date(), m_dateFormat));
    cells << noteText;
    return Cells(cells);
}

bool TRecFile::WriteRecord(bool readOK, const QString &note)
{
    return AppendLine(BuildRecord(readOK, note));
}

bool TRecFile::OpenForAppend(QFile &file) const
{
    file.setFileName(FilePath());
    // Unbuffered, so that a failed write is seen at once and nothing is left to be written
    // later by close().
    return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

TRecFile::TAppendTarget::TAppendTarget(QFile &file) : File(file), Size(file.size()), MarkDue(Size == 0) {}

bool TRecFile::WriteLine(TAppendTarget &target, const QString &text)
{
    QByteArray bytes;
    if (target.MarkDue)
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
    bytes += text.toUtf8();
    bytes += "\r\n";
    qint64 written = target.File.write(bytes);
    if (written >= 0 && written < bytes.size()) {
        // A short write tells nothing of why; the rest, tried once more, fails with the reason
        // (or goes through).
        const qint64 more = target.File.write(bytes.constData() + written, bytes.size() - written);
        if (more > 0)
            written += more;
    }
    if (written != bytes.size()) {
        target.Error = target.File.errorString(); // cutting back would clear it
        // A fragment would glue the next line onto it: cut the file back to where this line
        // began (a device such as a pipe keeps what it took).
        if (!target.File.isSequential())
            target.File.resize(target.Size);
        return false;
    }
    target.Size += bytes.size();
    target.MarkDue = false;
    return true;
}

bool TRecFile::EndsInCutLine(const TAppendTarget &target) const
{
    if (target.Size == 0 || target.File.isSequential() || target.Size == m_knownSize)
        return false;
    QFile reader(FilePath());
    if (!reader.open(QIODevice::ReadOnly) || !reader.seek(target.Size - 1))
        return false;
    char last = 0;
    // A lone LF also ends a line: another CR LF would only add an empty one.
    return reader.getChar(&last) && last != '\n';
}

bool TRecFile::StartLines(TAppendTarget &target)
{
    if (EndsInCutLine(target) && !WriteLine(target, QString()))
        return false;
    // A pipe or device always shows size 0: only the run's first line gets the header there.
    if (HeaderWritten && (target.Size > 0 || target.File.isSequential()))
        return true;
    const QString header = BuildHeader();
    if (!header.isEmpty() && !WriteLine(target, header))
        return false;
    HeaderWritten = true;
    return true;
}

void TRecFile::Queue(const QString &text)
{
    m_pending.append(text);
    m_pendingBytes += MemoryOf(text);
    // The newest record is always kept: it is the one that shows the state now.
    while (m_pending.size() > 1 && ((MaxPendingRecords > 0 && m_pending.size() > MaxPendingRecords) ||
                                    m_pendingBytes > MaxPendingBytes)) {
        m_pendingBytes -= MemoryOf(m_pending.constFirst());
        m_pending.removeFirst();
        ++m_recordsDropped;
    }
}

bool TRecFile::AppendLine(const QString &text)
{
    if (text.isEmpty())
        return true;
    Queue(text);
    return FlushPending();
}

bool TRecFile::FlushPending()
{
    if (m_pending.isEmpty())
        return true;
    QFile file;
    if (!OpenForAppend(file)) {
        m_lastError = file.errorString();
        return false;
    }
    TAppendTarget target(file);
    const auto failed = [&] {
        m_lastError = target.Error.isEmpty() ? file.errorString() : target.Error;
        m_knownSize = target.Size;
        return false;
    };
    if (!StartLines(target))
        return failed();
    while (!m_pending.isEmpty()) {
        if (!WriteLine(target, m_pending.constFirst()))
            return failed();
        m_pendingBytes -= MemoryOf(m_pending.constFirst());
        m_pending.removeFirst();
        ++m_recordsWritten;
    }
    m_knownSize = target.Size;
    return true;
}

QString TRecFile::CheckWritable(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    QFile file(path);
    if (info.exists())
        return file.open(QIODevice::WriteOnly | QIODevice::Append) ? QString() : file.errorString();
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return file.errorString();
    file.close();
    file.remove();
    return QString();
}
