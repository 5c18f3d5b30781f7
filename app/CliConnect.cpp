#include "CliConnect.h"

#include "platform/JournalStream.h"

#include <arpa/inet.h>
#include <cstdio>

namespace Cli
{

const char *const ConnectionOptionsHelp =
    "  -type Ethernet|RS232|RS485   protocol (default Ethernet)\n"
    "  -ip ADDRESS                  device IPv4 address (Ethernet, required there)\n"
    "  -tcpport N                   Modbus/TCP port 1-65535 (default 502)\n"
    "  -timeout MS                  Modbus/TCP time-out, 1-65535 ms (default 3000)\n"
    "  -port N                      COM port number (serial)\n"
    "  -speed N                     bit rate (serial, default 9600)\n"
    "  -address N                   slave address 1-255 (RS485, default 1)\n";

const char *const EnvironmentHelp =
    "Environment: OMBRIX_COM_PORTS maps COM numbers onto devices (\"7=/dev/ttyUSB3\");\n"
    "OMBRIX_XPORT_UDP_PORT replaces the XPort configuration port 30718.\n";

QString OptionName(const QString &arg)
{
    return arg.startsWith(QLatin1String("--")) ? arg.mid(1) : arg;
}

int NumberOption(const QString &name, const QString &value, int low, int high)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < low || n > high)
        throw UsageError{QStringLiteral("%1 needs a whole number from %2 to %3, not \"%4\"")
                             .arg(name)
                             .arg(low)
                             .arg(high)
                             .arg(value)};
    return n;
}

bool TakeConnectionOption(const QString &name, const QStringList &args, int &i, TConnectionParams &p,
                          bool &ipGiven)
{
    static const QStringList withValue{QStringLiteral("-type"),    QStringLiteral("-ip"),
                                       QStringLiteral("-tcpport"), QStringLiteral("-timeout"),
                                       QStringLiteral("-port"),    QStringLiteral("-speed"),
                                       QStringLiteral("-address")};
    if (!withValue.contains(name))
        return false;
    if (i + 1 >= args.size())
        throw UsageError{QStringLiteral("%1 needs a value").arg(name)};
    const QString v = args[++i];
    if (name == QLatin1String("-type")) {
        const std::optional<TProtocol> found = ProtocolOfName(v);
        if (!found)
            throw UsageError{QStringLiteral("-type is Ethernet, RS232 or RS485, not \"%1\"").arg(v)};
        p.Protocol = *found;
    } else if (name == QLatin1String("-ip")) {
        // A name or a number out of range would only fail later as an unreachable device.
        in_addr address{};
        if (inet_pton(AF_INET, v.toLatin1().constData(), &address) != 1)
            throw UsageError{
                QStringLiteral("-ip needs a dotted IPv4 address such as 192.168.1.20, not \"%1\"").arg(v)};
        p.IP = v;
        ipGiven = true;
    } else if (name == QLatin1String("-tcpport")) {
        p.TcpPort = static_cast<std::uint16_t>(NumberOption(name, v, 1, 65535));
    } else if (name == QLatin1String("-timeout")) {
        // A reply time-out of 0 ms would fail every request: bad usage, not a failed device.
        p.Timeout = static_cast<std::uint16_t>(NumberOption(name, v, 1, 65535));
    } else if (name == QLatin1String("-port")) {
        p.ComPortNumber = NumberOption(name, v, 1, 255);
    } else if (name == QLatin1String("-speed")) {
        p.Speed = NumberOption(name, v, 1, 4000000);
    } else {
        p.SlaveAddress = static_cast<std::uint8_t>(NumberOption(name, v, 1, 255));
    }
    return true;
}

void CheckConnectionOptions(const TConnectionParams &params, bool ipGiven)
{
    if (params.Protocol == TProtocol::Ethernet && !ipGiven)
        throw UsageError{QStringLiteral("-ip is required for Ethernet")};
    if (params.Protocol != TProtocol::Ethernet && params.ComPortNumber < 0)
        throw UsageError{
            QStringLiteral("-port is required for %1").arg(ProtocolNames().value(ChoiceIndex(params.Protocol)))};
    XPortUdpPort();
}

std::optional<std::uint16_t> XPortUdpPort()
{
    const QByteArray text = qgetenv("OMBRIX_XPORT_UDP_PORT");
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        throw UsageError{QStringLiteral("OMBRIX_XPORT_UDP_PORT needs a port from 1 to 65535, not \"%1\"")
                             .arg(QString::fromLocal8Bit(text))};
    return static_cast<std::uint16_t>(port);
}

void PrintErr(const QString &text)
{
    const QString prefix = Platform::StderrPriorityPrefix(Platform::PriorityError);
    std::fputs((prefix + text).toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

int ConnectDevice(TDeviceConnection &conn, const TConnectionParams &params)
{
    // Checked with the options already: a bad value never gets here.
    if (const std::optional<std::uint16_t> udpPort = XPortUdpPort())
        conn.XPortUdpPort = *udpPort;

    switch (conn.Connect(params)) {
    case TConnectOutcome::WrongIP:
        PrintErr(TDeviceConnection::WrongIPMessage());
        return ExitConnect;
    case TConnectOutcome::Failed:
        PrintErr(TDeviceConnection::UnableToConnectMessage());
        PrintErr(conn.LastError);
        return ExitConnect;
    case TConnectOutcome::Connected:
        break;
    }
    return ExitOk;
}

} // namespace Cli
