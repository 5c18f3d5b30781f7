// ombrix-probe: connects to one transmitter, identifies it and optionally reads it
// once, for technicians and scripts. Uses the same connection, identification and
// decoding code as the program.

#include "CliConnect.h"
#include "ProbeDiscovery.h"

#include "connection/uDeviceConnection.h"
#include "model/uTextEscape.h"
#include "model/uValueText.h"
#include "reading/uReaderCore.h"

#include "OmbrixVersion.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace
{

using Cli::ExitConnect;
using Cli::ExitOk;
using Cli::ExitUsage;
using Cli::UsageError;

QString UsageText()
{
    return QStringLiteral(
               "Usage: ombrix-probe identify|read [options]\n"
               "       ombrix-probe search|set-ip ... (below)\n"
               "\n"
               "  identify   connect, identify the device and print what it is\n"
               "  read       identify, read the device once (three attempts) and print the values\n"
               "\n"
               "Options:\n") +
           QString::fromLatin1(Cli::ConnectionOptionsHelp) +
           QStringLiteral(
               "  --json                       print one JSON object\n"
               "  --help                       print this text\n"
               "  --version                    print the version\n"
               "\n"
               "Exit status: 0 success; 1 connecting or identifying failed (the message, then the\n"
               "reason on the next line, on standard error); 2 bad usage.\n"
               "\n") +
           QString::fromLatin1(Cli::EnvironmentHelp);
}

struct Options {
    QString command;
    TConnectionParams params;
    bool json = false;
};

// Returns false when the run ends here (help or version printed).
bool parse(const QStringList &args, Options &o)
{
    bool ipGiven = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString a = Cli::OptionName(args[i]);
        if (a == QLatin1String("-help") || a == QLatin1String("-h")) {
            std::fputs(UsageText().toLocal8Bit().constData(), stdout);
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
        if (!Cli::TakeConnectionOption(a, args, i, o.params, ipGiven))
            throw UsageError{QStringLiteral("unknown option \"%1\"").arg(args[i])};
    }
    if (o.command.isEmpty())
        throw UsageError{QStringLiteral("identify or read?")};
    Cli::CheckConnectionOptions(o.params, ipGiven);
    return true;
}

// One tick of the identified family's reader, the same the program and ombrix-logger run.
void ReadOnce(TDeviceConnection &c)
{
    std::unique_ptr<TReaderCore> reader = CreateReader(c, nullptr, TReaderSettings{});
    if (!reader)
        return;
    reader->StartReading();
    reader->StopReading(); // the tick below is the only one
    reader->tReaderTimer();
}

QJsonObject Describe(TDeviceConnection &c, bool withReading)
{
    QJsonObject o;
    o[QStringLiteral("protocol")] =
        ProtocolNames().value(ChoiceIndex(c.Params.Protocol), QStringLiteral("Ethernet"));
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
        // Names, units and serials come from the device: nothing of theirs reaches the terminal raw.
        return EscapeControls(v.toString());
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ombrix-probe"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OMBRIX_VERSION));

    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && ProbeDiscovery::IsCommand(args[1])) {
        const QByteArray usage = UsageText().toLocal8Bit();
        return ProbeDiscovery::Run(args, usage.constData());
    }

    Options o;
    try {
        if (!parse(args, o))
            return ExitOk;
    } catch (const UsageError &e) {
        Cli::PrintErr(QStringLiteral("ombrix-probe: ") + e.message);
        std::fputs(UsageText().toLocal8Bit().constData(), stderr);
        return ExitUsage;
    }

    TErrMessageList errors;
    TDeviceConnection conn(errors);
    if (const int status = Cli::ConnectDevice(conn, o.params); status != ExitOk)
        return status;

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
