#pragma once

// Messages for a connection that could not be opened, saying what to fix: the device file and
// the group a user must be in, the address and port and why the connection failed.

#include <QString>

#include <exception>

struct TConnectionParams;

namespace OpenFailure
{

// A serial port that could not be opened (errno of open()): "Permission denied on /dev/ttyS4:
// the user must be in group \"dialout\" ...", "/dev/ttyS4 does not exist ...". Empty when the
// errno says nothing more than the library's message.
QString SerialPortMessage(const QString &deviceFile, int openErrno);

// A TCP connection that could not be made (errno left by connect): "Cannot connect to
// 192.168.1.20:502: connection refused". timeoutMs is the connection's time-out.
QString TcpMessage(const QString &ip, int port, int connectErrno, int timeoutMs);

// The group owning a file ("dialout"), or an empty string.
QString OwningGroup(const QString &file);

} // namespace OpenFailure
