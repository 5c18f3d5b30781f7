#include "connection/uOpenFailure.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

namespace OpenFailure
{

QString OwningGroup(const QString &file)
{
    struct stat info {
    };
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    const group *owner = ::getgrgid(info.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
}

QString SerialPortMessage(const QString &deviceFile, int openErrno)
{
    switch (openErrno) {
    case EACCES:
    case EPERM: {
        const QString group = OwningGroup(deviceFile);
        if (group.isEmpty())
            return QStringLiteral("Permission denied on %1.").arg(deviceFile);
        return QStringLiteral("Permission denied on %1: the user must be in the group \"%2\" that owns it "
                              "(for example: sudo usermod -aG %2 $USER, then log in again).")
            .arg(deviceFile, group);
    }
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("%1 does not exist or has no device behind it (OMBRIX_COM_PORTS maps COM "
                              "numbers onto other devices).")
            .arg(deviceFile);
    case 0:
        return {};
    default:
        return QStringLiteral("%1 cannot be opened: %2.")
            .arg(deviceFile, QString::fromLocal8Bit(std::strerror(openErrno)));
    }
}

QString TcpMessage(const QString &ip, int port, int connectErrno, int timeoutMs)
{
    QString reason;
    switch (connectErrno) {
    case ECONNREFUSED:
        reason = QStringLiteral("connection refused (nothing listens on that port)");
        break;
    case EHOSTUNREACH:
    case ENETUNREACH:
        reason = QStringLiteral("unreachable (no route to that address)");
        break;
    case 0:
    case EINPROGRESS:
    case ETIMEDOUT:
        reason = QStringLiteral("timed out (no answer within %1 ms)").arg(timeoutMs);
        break;
    default:
        reason = QString::fromLocal8Bit(std::strerror(connectErrno));
        break;
    }
    return QStringLiteral("Cannot connect to %1:%2: %3.").arg(ip).arg(port).arg(reason);
}

} // namespace OpenFailure
