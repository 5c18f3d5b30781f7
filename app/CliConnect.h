#pragma once

// What the command-line tools (ombrix-probe, ombrix-logger) share: the connection options,
// connecting and identifying with the same messages and exit codes, and standard error.

#include "connection/uDeviceConnection.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace Cli
{

constexpr int ExitOk = 0;
constexpr int ExitConnect = 1;
constexpr int ExitUsage = 2;

struct UsageError {
    QString message;
};

// The lines of the usage text that describe the connection options.
extern const char *const ConnectionOptionsHelp;
// The lines on OMBRIX_COM_PORTS and OMBRIX_XPORT_UDP_PORT.
extern const char *const EnvironmentHelp;

// "--json" and "-json" are the same option.
QString OptionName(const QString &arg);

// A whole number from low to high, or UsageError.
int NumberOption(const QString &name, const QString &value, int low, int high);

// The connection options: -type, -ip, -tcpport, -timeout, -port, -speed, -address. When
// `name` is one of them, its value args[i + 1] goes into params (i moves past it) and the
// result is true; a missing or bad value is a UsageError.
bool TakeConnectionOption(const QString &name, const QStringList &args, int &i, TConnectionParams &params,
                          bool &ipGiven);
// Ethernet needs -ip, a serial line -port; OMBRIX_XPORT_UDP_PORT must be a port. UsageError
// otherwise.
void CheckConnectionOptions(const TConnectionParams &params, bool ipGiven);

// The XPort configuration port from OMBRIX_XPORT_UDP_PORT; nothing when it is not set, a
// UsageError when it is no port.
std::optional<std::uint16_t> XPortUdpPort();

// The text and a line feed on standard error.
void PrintErr(const QString &text);

// Connects to the device and identifies it. On failure prints the message (and the reason
// on the next line) on standard error and returns ExitConnect; ExitOk once connected.
int ConnectDevice(TDeviceConnection &conn, const TConnectionParams &params);

} // namespace Cli
