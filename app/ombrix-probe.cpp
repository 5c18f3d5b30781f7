// ombrix-probe: connects to one transmitter, identifies it and optionally reads it
// once, for technicians and scripts. Uses the same connection, identification and
// decoding code as the program.

#include "ProbeDiscovery.h"
#include "comm/uTiming.h"
#include "connection/uDeviceConnection.h"
#include "model/uValueText.h"
#include "reading/uDecode.h"

#include "OmbrixVersion.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <QTextStream>

#include <array>
#include <cstdio>
#include <vector>

namespace
{

constexpr int ExitOk = 0;
constexpr int ExitConnect = 1;
constexpr int ExitUsage = 2;

const char *const UsageText =
    "Usage: ombrix-probe identify|read [options]\n"
    "       ombrix-probe search|set-ip ... (below)\n"
    "\n"
    "  identify   connect, identify the device and print what it is\n"
    "  read       identify, read the device once (three attempts) and print the values\n"
    "\n"
    "Options:\n"
    "  -type Ethernet|RS232|RS485   protocol (default Ethernet)\n"
    "  -ip ADDRESS                  device IPv4 address (Ethernet, required there)\n"
    "  -tcpport N                   Modbus/TCP port 1-65535 (default 502)\n"
    "  -timeout MS                  Modbus/TCP time-out, 1-65535 ms (default 3000)\n"
    "  -port N                      COM port number (serial)\n"
    "  -speed N                     bit rate (serial, default 9600)\n"
    "  -address N                   slave address 1-255 (RS485, default 1)\n"
    "  --json                       print one JSON object\n"
    "  --help                       print this text\n"
    "  --version                    print the version\n"
    "\n"
    "Exit status: 0 success; 1 connecting or identifying failed (the message, then the\n"
    "reason on the next line, on standard error); 2 bad usage.\n"
    "\n"
    "Environment: OMBRIX_COM_PORTS maps COM numbers onto devices (\"7=/dev/ttyUSB3\");\n"
    "OMBRIX_XPORT_UDP_PORT replaces the XPort configuration port 30718.\n";

struct Options {
    QString command;
    TConnectionParams params;
    bool json = false;
};

struct UsageError {
    QString message;
};

int numberOption(const QString &name, const QString &value, int low, int high)
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

// Returns false when the run ends here (help or version printed).
bool parse(const QStringList &args, Options &o)
{
    bool ipGiven = false;
    for (int i = 1; i < args.size(); ++i) {
        QString a = args[i];
        if (a.startsWith(QLatin1String("--")))
            a.remove(0, 1);
        if (a == QLatin1String("-help") || a == QLatin1String("-h")) {
            std::fputs(UsageText, stdout);
            std::fputs(ProbeDiscovery::UsageText, stdout);
            return false;
        }
        if (a == QLatin1String("-version")) {
            std::printf("ombrix-probe %s\n", OMBRIX_VERSION);
            return false;
        }
        if (a == QLatin1String("-json")) {
            o.json = true;
            continue;
        }
        if (!a.startsWith(QLatin1Char('-'))) {
            if (!o.command.isEmpty())
                throw UsageError{QStringLiteral("unexpected argument \"%1\"").arg(a)};
            if (a != QLatin1String("identify") && a != QLatin1String("read"))
                throw UsageError{QStringLiteral("unknown command \"%1\"").arg(a)};
            o.command = a;
            continue;
        }
        static const QStringList withValue{QStringLiteral("-type"),    QStringLiteral("-ip"),
                                           QStringLiteral("-tcpport"), QStringLiteral("-timeout"),
                                           QStringLiteral("-port"),    QStringLiteral("-speed"),
                                           QStringLiteral("-address")};
        if (!withValue.contains(a))
            throw UsageError{QStringLiteral("unknown option \"%1\"").arg(args[i])};
        if (i + 1 >= args.size())
            throw UsageError{QStringLiteral("%1 needs a value").arg(a)};
        const QString v = args[++i];
        TConnectionParams &p = o.params;
        if (a == QLatin1String("-type")) {
            int found = -1;
            for (int k = 0; k < ProtocolNames().size(); ++k) {
                if (ProtocolNames()[k].compare(v, Qt::CaseInsensitive) == 0)
                    found = k;
            }
            if (found < 0)
                throw UsageError{QStringLiteral("-type is Ethernet, RS232 or RS485, not \"%1\"").arg(v)};
            p.Protocol = static_cast<std::uint8_t>(found);
        } else if (a == QLatin1String("-ip")) {
            p.IP = v;
            ipGiven = true;
        } else if (a == QLatin1String("-tcpport")) {
            p.TcpPort = static_cast<std::uint16_t>(numberOption(a, v, 1, 65535));
        } else if (a == QLatin1String("-timeout")) {
            // A reply time-out of 0 ms would fail every request: bad usage, not a failed device.
            p.Timeout = static_cast<std::uint16_t>(numberOption(a, v, 1, 65535));
        } else if (a == QLatin1String("-port")) {
            p.ComPortNumber = numberOption(a, v, 1, 255);
        } else if (a == QLatin1String("-speed")) {
            p.Speed = numberOption(a, v, 1, 4000000);
        } else {
            p.SlaveAddress = static_cast<std::uint8_t>(numberOption(a, v, 1, 255));
        }
    }
    if (o.command.isEmpty())
        throw UsageError{QStringLiteral("identify or read?")};
    if (o.params.Protocol == TConnectionParams::Ethernet && !ipGiven)
        throw UsageError{QStringLiteral("-ip is required for Ethernet")};
    return true;
}

// One reading tick's reads of the identified family, three attempts, then the
// decoding into the slots. Returns the read-succeeded flag.
bool ReadOnce(TDeviceConnection &c)
{
    const bool farvo = c.SensType.GetFamily() == 1;
    const bool dusko = c.SensType.GetKind() == 82;
    const bool ethernet = c.IsEthernet();
    std::vector<std::uint16_t> block(static_cast<std::size_t>(farvo   ? Decode::FarvoMainWords
                                                              : dusko ? Decode::DuskoWords
                                                                      : Decode::GelmiWords));
    std::vector<std::uint16_t> alarms(
        farvo && ethernet
            ? static_cast<std::size_t>(Decode::FarvoAlarmBlockLength(c.DeviceAlarmBlock, c.HasBinaryInputs))
            : 0);
    const std::uint8_t slave = farvo ? c.Params.GetSlaveAddress() : 1;
    const int ref = farvo ? Decode::FarvoMainRef : dusko ? Decode::DuskoRef : Decode::GelmiRef;

    bool ok = false;
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        try {
            if (!c.Modbus.IsOpen()) {
                c.Modbus.Open();
                if (c.Params.Protocol == TConnectionParams::RS232)
                    PumpDelay(TDeviceConnection::RS232SettleMs);
            }
            c.Modbus.ReadRegisters(slave, ref, block);
            if (!alarms.empty())
                c.Modbus.ReadRegisters(slave, Decode::FarvoAlarmRef, alarms);
            ok = true;
        } catch (const std::exception &) {
            ok = false;
        }
    }

    if (farvo) {
        std::array<TLangQuan *, TDeviceConnection::SerialSlotCount> slots{};
        for (std::size_t i = 0; i < slots.size(); ++i)
            slots[i] = &c.GetQuantity(static_cast<int>(i));
        Decode::DecodeFarvoMain(block, ok, slots);
        if (ethernet)
            Decode::DecodeFarvoAlarms(alarms, c.DeviceAlarmBlock, c.HasBinaryInputs, slots);
    } else if (dusko) {
        std::array<TLangQuanEx *, 2> slots{&c.GetQuantityEx(18), &c.GetQuantityEx(19)};
        Decode::DecodeDusko(block, ok, c.ErrorList(), slots);
    } else {
        std::array<TLangQuan *, 5> slots{};
        for (std::size_t i = 0; i < slots.size(); ++i)
            slots[i] = &c.GetQuantity(TDeviceConnection::GelmiFirstSlot + static_cast<int>(i));
        Decode::DecodeGelmi(block, ok, c.ErrorList(), slots);
    }
    return ok;
}

QJsonObject Describe(TDeviceConnection &c, bool withReading)
{
    QJsonObject o;
    o[QStringLiteral("protocol")] = ProtocolNames().value(c.Params.Protocol, QStringLiteral("Ethernet"));
    o[QStringLiteral("kind")] = c.SensType.GetKind();
    o[QStringLiteral("kind_name")] = c.SensType.GetKindName();
    o[QStringLiteral("family")] = c.SensType.GetFamily();
    o[QStringLiteral("serial")] = c.SerialText;
    o[QStringLiteral("firmware")] = c.Firmware ? QJsonValue(*c.Firmware) : QJsonValue();
    o[QStringLiteral("xport_firmware")] = c.XPortFirmware ? QJsonValue(QStringLiteral("%1.%2.%3")
                                                                           .arg((*c.XPortFirmware)[0])
                                                                           .arg((*c.XPortFirmware)[1])
                                                                           .arg((*c.XPortFirmware)[2]))
                                                          : QJsonValue();
    o[QStringLiteral("five_channel")] = c.FiveChannel;
    o[QStringLiteral("device_alarm_block")] = c.DeviceAlarmBlock;
    o[QStringLiteral("has_binary_inputs")] = c.HasBinaryInputs;
    o[QStringLiteral("error_list_type")] = c.ErrorList().ListType;
    QJsonArray slots;
    for (int i = 0; i < TDeviceConnection::QuantityCount; ++i) {
        const TLangQuan &q = c.GetQuantity(i);
        if (q.GetQuanType() == TQuantity::qtNone)
            continue;
        QJsonObject s;
        s[QStringLiteral("slot")] = i;
        s[QStringLiteral("name")] = q.GetName();
        s[QStringLiteral("type")] = q.GetQuanType();
        s[QStringLiteral("unit")] = q.GetQuanUnit();
        s[QStringLiteral("unit_symbol")] = q.GetPlainUnitSymbol();
        s[QStringLiteral("decimals")] = q.GetDecimals();
        s[QStringLiteral("number")] = q.Number;
        s[QStringLiteral("interpretation")] = q.GetInterpretation();
        s[QStringLiteral("alarm_mode")] = q.AlarmMode;
        if (withReading) {
            s[QStringLiteral("value")] = q.Value;
            s[QStringLiteral("value_text")] = QuantityValueText(q, QLocale::c());
            s[QStringLiteral("read_ok")] = q.ReadOK;
            // The error text only means something while the reading is not valid.
            s[QStringLiteral("error_text")] = q.ReadOK ? QString() : q.ErrorText;
            s[QStringLiteral("device_alarm_code")] = q.DeviceAlarmCode;
        }
        slots.append(s);
    }
    o[QStringLiteral("slots")] = slots;
    return o;
}

QString Plain(const QJsonObject &o)
{
    auto text = [](const QJsonValue &v) -> QString {
        if (v.isNull())
            return QStringLiteral("-");
        if (v.isBool())
            return v.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        if (v.isDouble())
            return QString::number(v.toDouble());
        return v.toString();
    };
    QString out;
    QTextStream s(&out);
    s << "protocol:           " << text(o[QStringLiteral("protocol")]) << '\n'
      << "kind:               " << text(o[QStringLiteral("kind")]) << ' '
      << text(o[QStringLiteral("kind_name")]) << '\n'
      << "family:             " << text(o[QStringLiteral("family")]) << '\n'
      << "serial:             " << text(o[QStringLiteral("serial")]) << '\n'
      << "firmware:           " << text(o[QStringLiteral("firmware")]) << '\n'
      << "xport firmware:     " << text(o[QStringLiteral("xport_firmware")]) << '\n'
      << "five channel:       " << text(o[QStringLiteral("five_channel")]) << '\n'
      << "device alarm block: " << text(o[QStringLiteral("device_alarm_block")]) << '\n'
      << "binary inputs:      " << text(o[QStringLiteral("has_binary_inputs")]) << '\n'
      << "error list type:    " << text(o[QStringLiteral("error_list_type")]) << '\n';
    for (const QJsonValue &v : o[QStringLiteral("slots")].toArray()) {
        const QJsonObject q = v.toObject();
        s << "slot " << text(q[QStringLiteral("slot")]) << ": " << text(q[QStringLiteral("name")])
          << " [type " << text(q[QStringLiteral("type")]) << ", unit " << text(q[QStringLiteral("unit")])
          << " \"" << text(q[QStringLiteral("unit_symbol")]) << "\", decimals "
          << text(q[QStringLiteral("decimals")]) << ", number " << text(q[QStringLiteral("number")])
          << ", interpretation " << text(q[QStringLiteral("interpretation")]) << ", alarm mode "
          << text(q[QStringLiteral("alarm_mode")]) << ']';
        if (q.contains(QStringLiteral("value_text"))) {
            s << " = " << text(q[QStringLiteral("value_text")]) << ", read ok "
              << text(q[QStringLiteral("read_ok")]);
            if (!q[QStringLiteral("read_ok")].toBool())
                s << ", error \"" << text(q[QStringLiteral("error_text")]) << '"';
            s << ", device alarm \"" << text(q[QStringLiteral("device_alarm_code")]) << '"';
        }
        s << '\n';
    }
    return out;
}

void PrintErr(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ombrix-probe"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OMBRIX_VERSION));

    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && ProbeDiscovery::IsCommand(args[1]))
        return ProbeDiscovery::Run(args, UsageText);

    Options o;
    try {
        if (!parse(QCoreApplication::arguments(), o))
            return ExitOk;
    } catch (const UsageError &e) {
        PrintErr(QStringLiteral("ombrix-probe: ") + e.message);
        std::fputs(UsageText, stderr);
        return ExitUsage;
    }

    TErrMessageList errors;
    TDeviceConnection conn(errors);
    bool portOk = false;
    const int udpPort = qEnvironmentVariableIntValue("OMBRIX_XPORT_UDP_PORT", &portOk);
    if (portOk && udpPort > 0 && udpPort < 65536)
        conn.XPortUdpPort = static_cast<std::uint16_t>(udpPort);

    switch (conn.Connect(o.params)) {
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

    const bool reading = o.command == QLatin1String("read");
    if (reading)
        ReadOnce(conn);
    const QJsonObject description = Describe(conn, reading);
    conn.Disconnect();

    if (o.json) {
        std::fputs(QJsonDocument(description).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        std::fputs(Plain(description).toLocal8Bit().constData(), stdout);
    }
    return ExitOk;
}
