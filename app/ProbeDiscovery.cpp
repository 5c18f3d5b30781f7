#include "ProbeDiscovery.h"

#include "CliConnect.h"

#include "base/uApplicationFolders.h"
#include "base/uApplicationSpecifical.h"
#include "discovery/uXPortIPChange.h"
#include "discovery/uXPortSearch.h"
#include "model/uExceptions.h"
#include "model/uTextEscape.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace ProbeDiscovery
{

const char *const UsageText =
    "\n"
    "Network discovery (XPort devices on every local network of this computer):\n"
    "  search [--json]            list the devices that answer: address, MAC, firmware,\n"
    "                             type, description and the adapter that found them\n"
    "  set-ip MAC ADDRESS [-adapter A] [--arp] [--all-adapters]\n"
    "                             give the device with this MAC (00-20-4A-12-34-56) a new\n"
    "                             address (0.0.0.0: use DHCP); -adapter: the local address to\n"
    "                             send through; --all-adapters: through every adapter;\n"
    "                             --arp: only until it restarts, through a neighbour entry\n"
    "                             (needs administrator rights)\n"
    "  search exits with 0 (also when nothing answers), 1 when the adapters cannot be\n"
    "  searched; set-ip prints its message and exits with 0 when the request was sent\n"
    "  or the address assigned, 1 when it was refused or failed. The type names come\n"
    "  from [GlobalTypes] of Ombrix.ini next to the program when it has one.\n";

namespace
{

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct UsageError {
    QString message;
};

void Print(FILE *stream, const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fputs(lines.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// The configuration port a test or an unusual network gives; a text that is no port is refused,
// as the other commands refuse it, rather than searching on 30718 unasked.
std::optional<std::uint16_t> PortFromEnvironment()
{
    try {
        return Cli::XPortUdpPort();
    } catch (const Cli::UsageError &e) {
        throw UsageError{e.message};
    }
}

// "--json" and "-json" are the same flag, as for the other commands.
QString Flag(const QString &argument)
{
    return argument.startsWith(QLatin1String("--")) ? argument.mid(1) : argument;
}

QJsonObject ToJson(const TXportPar &device)
{
    return {{QStringLiteral("ip"), device.IP},
            {QStringLiteral("mac"), device.MAC},
            {QStringLiteral("firmware"), device.Firmware},
            {QStringLiteral("description"), device.Description},
            {QStringLiteral("device_type"), device.DeviceType},
            {QStringLiteral("variant"), device.VariantChar},
            {QStringLiteral("adapter"), device.Adapter}};
}

QString Table(const TXportSearch &search)
{
    QString out;
    QTextStream s(&out);
    s << qSetFieldWidth(16) << Qt::left << "IP address" << qSetFieldWidth(19) << "MAC address"
      << qSetFieldWidth(12) << "Firmware" << qSetFieldWidth(18) << "Device type" << qSetFieldWidth(16)
      << "Adapter" << qSetFieldWidth(0) << "Description\n";
    // Every field comes from a reply anyone on the LAN may send: control characters are shown
    // escaped, never passed to the terminal.
    for (int i = 0; i < search.Count(); ++i) {
        const TXportPar &d = search.Item(i);
        s << qSetFieldWidth(16) << EscapeControls(d.IP) << qSetFieldWidth(19) << EscapeControls(d.MAC)
          << qSetFieldWidth(12) << EscapeControls(d.Firmware) << qSetFieldWidth(18)
          << EscapeControls(d.DeviceType) << qSetFieldWidth(16) << EscapeControls(d.Adapter)
          << qSetFieldWidth(0) << EscapeControls(d.Description) << '\n';
    }
    return out;
}

int Search(const QStringList &args)
{
    bool json = false;
    for (int i = 2; i < args.size(); ++i) {
        if (Flag(args[i]) != QLatin1String("-json"))
            throw UsageError{QStringLiteral("search: unexpected argument \"%1\"").arg(args[i])};
        json = true;
    }
    TXportSearch search;
    if (const auto port = PortFromEnvironment())
        search.Port = *port;
    const QString branding = ExecutableDir() + BrandingFileName;
    search.SetIniFile(branding);
    try {
        search.SearchAll();
    } catch (const std::exception &e) {
        Print(stderr, QStringLiteral("ombrix-probe: search failed: ") + QString::fromLocal8Bit(e.what()));
        return ExitFailed;
    }
    if (json) {
        QJsonArray devices;
        for (int i = 0; i < search.Count(); ++i)
            devices.append(ToJson(search.Item(i)));
        std::fputs(QJsonDocument(devices).toJson(QJsonDocument::Indented).constData(), stdout);
    } else if (search.Count() == 0) {
        Print(stdout, QStringLiteral("No device answered."));
    } else {
        std::fputs(Table(search).toLocal8Bit().constData(), stdout);
    }
    return ExitOk;
}

int SetIp(const QStringList &args)
{
    QStringList positional;
    QString adapter;
    TXPortIPChange change;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = Flag(args[i]);
        if (a == QLatin1String("-arp")) {
            change.ArpMode = true;
        } else if (a == QLatin1String("-all-adapters")) {
            change.AllAdapters = true;
        } else if (a == QLatin1String("-adapter")) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("-adapter needs a local address")};
            adapter = args[++i];
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            throw UsageError{QStringLiteral("set-ip: unknown option \"%1\"").arg(args[i])};
        } else {
            positional.append(args[i]);
        }
    }
    if (positional.size() != 2)
        throw UsageError{QStringLiteral("set-ip needs the MAC address and the new IP address")};
    if (const auto port = PortFromEnvironment())
        change.Port = *port;
    int code = TXPortIPChange::Failed;
    QString message;
    change.ChangeIP(positional[0], positional[1], code, message, adapter);
    const bool done = code == TXPortIPChange::ArpDone || code == TXPortIPChange::RequestSent;
    Print(done ? stdout : stderr, message);
    return done ? ExitOk : ExitFailed;
}

} // namespace

bool IsCommand(const QString &word)
{
    return word == QLatin1String("search") || word == QLatin1String("set-ip");
}

int Run(const QStringList &args, const char *generalUsage)
{
    for (int i = 2; i < args.size(); ++i) {
        const QString a = Flag(args[i]);
        if (a == QLatin1String("-help") || a == QLatin1String("-h")) {
            std::fputs(generalUsage, stdout);
            std::fputs(UsageText, stdout);
            return ExitOk;
        }
    }
    try {
        return args.value(1) == QLatin1String("search") ? Search(args) : SetIp(args);
    } catch (const UsageError &e) {
        Print(stderr, QStringLiteral("ombrix-probe: ") + e.message);
        std::fputs(generalUsage, stderr);
        std::fputs(UsageText, stderr);
        return ExitUsage;
    }
}

} // namespace ProbeDiscovery
