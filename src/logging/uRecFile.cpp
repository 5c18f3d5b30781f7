#include "logging/uRecFile.h"

#include "model/uOBGlob.h"
#include "model/uQuantity.h"
#include "model/uSensType.h"
#include "model/uValueText.h"

#include <QFile>

#include <cmath>

namespace
{

constexpr int DuskoKind = 82;
const QLatin1String LineEnd("\r\n");

QString Cell(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
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
    : m_errMessages(errMessages), m_clock(clock ? std::move(clock) : TClock([] { return QDateTime::currentDateTime(); })),
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

QString TRecFile::TimeFormatOf(const QLocale &locale)
{
    // Drop every "t" run (the time zone) outside quoted literals, with the blanks before it.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
            continue;
        }
        result += c;
    }
    return result.trimmed();
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
        lines << Cells({AlterNames.Translate(kindName), SerialNumber});
        lines << QString();
    }
    QStringList titles{tr("Local PC Date"), tr("Local PC Time")};
    for (const TQuantity *q : Columns) {
        if (!q || q->GetQuanType() == TQuantity::qtNone)
            continue;
        const QString unit = q->GetPlainUnitSymbol();
        titles << (unit.isEmpty() ? q->GetName()
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
    if (!HeaderWritten && !WriteHeader())
        return false;
    return WriteData(readOK, note);
}

bool TRecFile::WriteHeader()
{
    if (!AppendLine(BuildHeader()))
        return false;
    HeaderWritten = true;
    return true;
}

bool TRecFile::WriteData(bool readOK, const QString &note)
{
    return AppendLine(BuildRecord(readOK, note));
}

bool TRecFile::OpenForAppend(QFile &file) const
{
    file.setFileName(FilePath());
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool TRecFile::WriteLine(QFile &file, const QString &text)
{
    QByteArray bytes;
    if (file.size() == 0)
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
    bytes += text.toUtf8();
    bytes += "\r\n";
    return file.write(bytes) == bytes.size() && file.flush();
}

bool TRecFile::AppendLine(const QString &text)
{
    if (text.isEmpty())
        return true;
    QFile file;
    if (!FlushPending() || !OpenForAppend(file)) {
        if (!Pending)
            Pending.emplace();
        Pending->append(text);
        return true;
    }
    bool ok = WriteLine(file, text);
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    return ok;
}

bool TRecFile::FlushPending()
{
    if (!Pending)
        return true;
    QFile file;
    if (!OpenForAppend(file))
        return false;
    while (!Pending->isEmpty()) {
        if (!WriteLine(file, Pending->constFirst())) {
            file.close();
            return false;
        }
        Pending->removeFirst();
    }
    Pending.reset();
    file.close();
    return true;
}
