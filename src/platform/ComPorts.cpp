#include "platform/ComPorts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <asm/termbits.h> // termios2; <termios.h> must stay out of this file
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ComPorts
{

namespace
{

QString &settingsFileOverride()
{
    static QString path;
    return path;
}

bool &settingsFileOverridden()
{
    static bool overridden = false;
    return overridden;
}

void parseMappings(const QString &text, QMap<int, QString> &into)
{
    const auto entries = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        QString key = entry.left(eq).trimmed();
        if (key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            key = key.mid(3);
        bool ok = false;
        const int number = key.toInt(&ok);
        const QString path = entry.mid(eq + 1).trimmed();
        if (ok && number >= 1 && number <= MaxComNumber && !path.isEmpty())
            into.insert(number, path);
    }
}

QString conventionPath(int number)
{
    struct Range {
        int first;
        const char *prefix;
    };
    static const Range ranges[] = {{1, "/dev/ttyS"}, {33, "/dev/ttyUSB"}, {65, "/dev/ttyACM"}};
    for (const Range &r : ranges) {
        if (number >= r.first && number < r.first + 32)
            return QLatin1String(r.prefix) + QString::number(number - r.first);
    }
    return {};
}

// A UUCP-style lock file ("LCK..ttyS0" holding a pid) left by programs such as
// minicom; only a live owner other than us counts.
bool lockFileHeld(const QString &devicePath)
{
    // Lock files name the real node, not a link to it.
    const QFileInfo info(devicePath);
    const QString canonical = info.canonicalFilePath();
    const QString base = QFileInfo(canonical.isEmpty() ? devicePath : canonical).fileName();
    for (const char *dir : {"/run/lock", "/var/lock"}) {
        QFile f(QLatin1String(dir) + QLatin1String("/LCK..") + base);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray content = f.read(64);
        bool ok = false;
        pid_t pid = content.trimmed().toInt(&ok);
        if (!ok && content.size() >= static_cast<qsizetype>(sizeof(int))) {
            int binaryPid = 0; // old binary lock files
            memcpy(&binaryPid, content.constData(), sizeof(int));
            pid = binaryPid;
            ok = true;
        }
        if (ok && pid > 0 && pid != getpid() && (kill(pid, 0) == 0 || errno == EPERM))
            return true;
    }
    return false;
}

// Legacy 8250 nodes exist for every possible UART; the kernel reports type 0
// (unknown) for those without hardware.
bool uartMissing(const QString &devicePath)
{
    const QString base = QFileInfo(devicePath).fileName();
    if (!base.startsWith(QLatin1String("ttyS")))
        return false;
    QFile typeFile(QLatin1String("/sys/class/tty/") + base + QLatin1String("/type"));
    if (!typeFile.open(QIODevice::ReadOnly))
        return false;
    return typeFile.readAll().trimmed() == "0";
}

} // namespace

void SetSettingsFile(const QString &path)
{
    settingsFileOverride() = path;
    settingsFileOverridden() = true;
}

QString SettingsFile()
{
    if (settingsFileOverridden())
        return settingsFileOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/TalmoLoggers/Ombrix.ini");
}

QMap<int, QString> ExplicitMappings()
{
    QMap<int, QString> result;
    const QString file = SettingsFile();
    if (!file.isEmpty() && QFileInfo::exists(file)) {
        QSettings settings(file, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("COM_PORTS"));
        const QStringList keys = settings.childKeys();
        for (const QString &key : keys)
            parseMappings(key + QLatin1Char('=') + settings.value(key).toString(), result);
    }
    // The environment is for tests and scripts and wins over the user's file.
    parseMappings(qEnvironmentVariable("OMBRIX_COM_PORTS"), result);
    return result;
}

static QString devicePathWith(const QMap<int, QString> &mappings, int number)
{
    if (number < 1 || number > MaxComNumber)
        return {};
    const auto it = mappings.constFind(number);
    if (it != mappings.constEnd())
        return it.value();
    return conventionPath(number);
}

QString DevicePath(int number)
{
    return devicePathWith(ExplicitMappings(), number);
}

QString ResolvePortName(const QString &portName, int *number)
{
    if (number)
        *number = 0;
    if (portName.startsWith(QLatin1Char('/')))
        return portName;
    static const QRegularExpression comName(QStringLiteral(R"(^(?:\\\\\.\\)?COM(\d{1,3})$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = comName.match(portName);
    if (!match.hasMatch())
        return {};
    const int n = match.captured(1).toInt();
    if (n < 1 || n > MaxComNumber)
        return {};
    if (number)
        *number = n;
    return DevicePath(n);
}

PortState ProbeDevice(const QString &devicePath)
{
    if (devicePath.isEmpty() || uartMissing(devicePath))
        return PortState::Absent;
    const QByteArray native = QFile::encodeName(devicePath);
    struct stat st {
    };
    if (stat(native.constData(), &st) != 0)
        return errno == EACCES ? PortState::Busy : PortState::Absent;
    if (!S_ISCHR(st.st_mode))
        return PortState::Absent;
    // Non-blocking so a port waiting for carrier cannot stall the probe.
    const int fd = open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return PortState::Absent;
        default:
            return PortState::Busy; // EBUSY, EACCES, EPERM, EIO...
        }
    }
    PortState state = PortState::Free;
    if (!isatty(fd))
        state = PortState::Absent;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0 || lockFileHeld(devicePath))
        state = PortState::Busy;
    close(fd);
    return state;
}

PortState Probe(int number)
{
    return ProbeDevice(DevicePath(number));
}

QString PortInfo::DisplayText() const
{
    const QString name = QStringLiteral("COM") + QString::number(Number);
    if (Device.isEmpty())
        return name;
    return name + QStringLiteral(" (") + QFileInfo(Device).fileName() + QLatin1Char(')');
}

QList<PortInfo> ListPorts()
{
    const QMap<int, QString> mappings = ExplicitMappings();
    QList<PortInfo> result;
    for (int n = 1; n <= MaxComNumber; ++n) {
        const QString device = devicePathWith(mappings, n);
        const PortState state = ProbeDevice(device);
        if (state == PortState::Absent)
            continue;
        result.append(PortInfo{n, device, state == PortState::Busy});
    }
    return result;
}

bool LockOpenPort(int fd, const QString &devicePath)
{
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    if (lockFileHeld(devicePath)) {
        flock(fd, LOCK_UN);
        return false;
    }
    // Keeps ordinary programs from opening the port behind our back; root is
    // not stopped by it, which is why the flock above is what we rely on.
    ioctl(fd, TIOCEXCL);
    return true;
}

bool SetBaudRate(int fd, int baudRate)
{
    if (baudRate <= 0)
        return false;
    struct termios2 tio {
    };
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = static_cast<speed_t>(baudRate);
    tio.c_ospeed = static_cast<speed_t>(baudRate);
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

} // namespace ComPorts
