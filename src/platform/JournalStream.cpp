#include "platform/JournalStream.h"

#include <QByteArray>
#include <QList>

#include <sys/stat.h>
#include <unistd.h>

namespace Platform
{

bool StderrIsJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    const QList<QByteArray> parts = stream.split(':');
    if (parts.size() != 2)
        return false;
    bool devOk = false;
    bool inoOk = false;
    const qulonglong dev = parts[0].toULongLong(&devOk);
    const qulonglong ino = parts[1].toULongLong(&inoOk);
    struct stat st {
    };
    if (!devOk || !inoOk || ::fstat(STDERR_FILENO, &st) != 0)
        return false;
    return static_cast<qulonglong>(st.st_dev) == dev && static_cast<qulonglong>(st.st_ino) == ino;
}

QString StderrPriorityPrefix(int priority)
{
    static const bool journal = StderrIsJournal();
    return journal ? QStringLiteral("<%1>").arg(priority) : QString();
}

} // namespace Platform
