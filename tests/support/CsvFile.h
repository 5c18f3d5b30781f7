#pragma once

// Reading back the record files (CSV) the reader core and the logger write.

#include <QString>
#include <QStringList>

namespace CsvFile
{

// The lines of the file, split at CR LF; a byte-order mark at its start is not part of the
// first line, and the empty rest after the last line break is no line. Empty when the file
// cannot be read.
QStringList Lines(const QString &path);

// Only the records: the lines whose second cell is a time of day, without the header lines
// and without empty lines.
QStringList Records(const QString &path);

} // namespace CsvFile
