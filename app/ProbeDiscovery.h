#pragma once

// The network discovery commands of ombrix-probe: "search" lists the XPort devices
// on every local network, "set-ip" gives one of them a new address.

#include <QString>
#include <QStringList>

namespace ProbeDiscovery
{

extern const char *const UsageText;

// Whether the command word belongs to this unit.
bool IsCommand(const QString &word);

// Runs "search" or "set-ip" with the program's arguments (args[1] is the command).
// generalUsage is printed with UsageText for --help and bad usage. Returns the exit
// status: 0 success, 1 failure, 2 bad usage.
int Run(const QStringList &args, const char *generalUsage);

} // namespace ProbeDiscovery
