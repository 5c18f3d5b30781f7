#include "CsvFile.h"

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
    QStringList records;
    for (const QString &line : Lines(path)) {
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('"')) && line.count(QLatin1Char(';')) > 1)
            records << line;
    }
    return records;
}

} // namespace CsvFile
