#include "platform/MbusTransport.h"

#include "platform/TerminationSignals.h"

#include <cerrno>

namespace MbusMaster
{

std::int32_t TTransport::OpenSerial(const QString &, std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return MBUS_ILLEGAL_STATE;
}

std::int32_t TTransport::OpenTcp(const std::string &, std::int32_t)
{
    return MBUS_ILLEGAL_STATE;
}

void TTransport::WatchForTermination(int fd)
{
    StopWatching();
    m_watchedFd = fd;
    Platform::RegisterAbortableDescriptor(fd);
}

void TTransport::StopWatching()
{
    if (m_watchedFd < 0)
        return;
    Platform::UnregisterAbortableDescriptor(m_watchedFd);
    m_watchedFd = -1;
}

std::int32_t TTransport::AbortedExchange()
{
    Close();
    return MBUS_CONNECTION_WAS_CLOSED;
}

void TTransport::SetTimeout(std::int32_t ms)
{
    TimeoutMs = ms;
    ApplyTimeout();
}

std::int32_t OpenErrorFromErrno(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return MBUS_PORT_NO_ACCESS;
    case EBUSY:
        return MBUS_PORT_ALREADY_OPEN;
    case EMFILE:
    case ENFILE:
        return MBUS_FILEDES_EXCEEDED;
    default: // ENOENT, ENODEV, ENXIO, ENOTTY (not a serial port) and the like
        return MBUS_OPEN_ERR;
    }
}

bool LinkLost(int err)
{
    switch (err) {
    case ECONNRESET:
    case EPIPE:
    case ENOTCONN:
    case ECONNABORTED:
    case EBADF:
    case EIO:
    case ENXIO:
    case ENODEV:
    case ESHUTDOWN:
    case EHOSTUNREACH:
    case ENETUNREACH:
        return true;
    default:
        return false;
    }
}

} // namespace MbusMaster
