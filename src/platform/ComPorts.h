#pragma once

// Serial ports named the way the rest of the program knows them: "COM" and a
// number from 1 to 255. A number maps onto a device node by the convention
// Wine uses (COM1-32 = /dev/ttyS0-31, COM33-64 = /dev/ttyUSB0-31,
// COM65-96 = /dev/ttyACM0-31); explicit mappings override it, first the
// environment variable OMBRIX_COM_PORTS ("7=/tmp/ttyB;9=/dev/ttyX"), then the
// [COM_PORTS] section of the user settings file (key "COM<n>", value a path).

#include <QList>
#include <QMap>
#include <QString>

namespace ComPorts
{

constexpr int MaxComNumber = 255;

// The settings file whose [COM_PORTS] section is consulted. By default the
// per-user settings file; an empty path switches that source off.
void SetSettingsFile(const QString &path);
QString SettingsFile();

// Explicit mappings currently in force (environment over settings file).
QMap<int, QString> ExplicitMappings();

// Device node of COM n, or an empty text when n maps onto nothing.
QString DevicePath(int number);

// Accepts "\\.\COMn", "COMn" (any case) or a device path beginning with "/".
// Returns the device path, or empty when the name names no device; number
// receives n for COM names and 0 for paths.
QString ResolvePortName(const QString &portName, int *number = nullptr);

enum class PortState { Absent, Free, Busy };

// Absent: no device or not a serial port; Busy: it exists but another
// program holds it (open refused, flock held, or a live UUCP lock file).
PortState ProbeDevice(const QString &devicePath);
PortState Probe(int number);

struct PortInfo {
    int Number = 0;
    QString Device;
    bool Busy = false;
    // "COM33 (ttyUSB0)": the name the user knows and the node behind it.
    QString DisplayText() const;
};

// Every COM number from 1 to 255 whose port is present, free or busy.
QList<PortInfo> ListPorts();

// Holds the port against other programs for as long as fd stays open:
// exclusive flock and TIOCEXCL. Returns false when someone else holds it
// (flock taken or a live UUCP lock file names the device).
bool LockOpenPort(int fd, const QString &devicePath);

// Sets a bit rate on an open tty, including rates without a Bxxx constant
// (14400, 56000, 128000, 256000) through the kernel's arbitrary-rate request.
bool SetBaudRate(int fd, int baudRate);

} // namespace ComPorts
