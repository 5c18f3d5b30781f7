#include "CsvFile.h"

#include <QRegularExpression>
#include <QFile>

namespace CsvFile
{

QStringList Lines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList Records(const QString &path)
{
    // Every cell is quoted, titles and records alike; a record is told by its second cell, the
    // time of day ("14:03:07"), which no header line has.
    static const QRegularExpression time(QStringLiteral("^\"?\\d{1,2}[:.]\\d{2}"));
    QStringList records;
    for (const QString &line : Lines(path)) {
        if (time.match(line.section(QLatin1Char(';'), 1, 1)).hasMatch())
            records << line;
    }
    return records;
}

} // namespace CsvFile
