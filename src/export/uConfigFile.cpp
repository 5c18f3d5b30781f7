#include "export/uConfigFile.h"

#include "export/uServiceOptions.h"

#include "connection/uDeviceConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <functional>

namespace Service
{

namespace
{

enum class TKind { Text, Path, Number, Bool, Type, Service };

struct TKey {
    const char *section;
    const char *key;
    const char *option;
    TKind kind;
    int low = 0;
    int high = 0;
};

// The keys and the options they stand for.
constexpr TKey Keys[] = {
    {"device", "type", "-type", TKind::Type},
    {"device", "ip", "-ip", TKind::Text},
    {"device", "tcpport", "-tcpport", TKind::Number, 1, 65535},
    {"device", "timeout", "-timeout", TKind::Number, 1, 65535},
    {"device", "port", "-port", TKind::Number, 1, 255},
    {"device", "speed", "-speed", TKind::Number, 1, 4000000},
    {"device", "address", "-address", TKind::Number, 1, 255},
    {"measurement", "interval", "-interval", TKind::Number, 1, 3600},
    {"measurement", "csv", "-csv", TKind::Path},
    {"measurement", "append", "-append", TKind::Bool},
    {"measurement", "name", "--name", TKind::Service},
    {"mqtt", "url", "--mqtt", TKind::Service},
    {"mqtt", "prefix", "--mqtt-prefix", TKind::Service},
    {"mqtt", "password_file", "--mqtt-password-file", TKind::Path},
    {"mqtt", "ca_file", "--mqtt-ca", TKind::Path},
    {"mqtt", "ha_discovery", "--mqtt-ha-discovery", TKind::Bool},
    {"mqtt", "keepalive", "--mqtt-keepalive", TKind::Service},
    {"metrics", "listen", "--metrics", TKind::Service},
};

const TKey *FindKey(const QString &section, const QString &key)
{
    for (const TKey &k : Keys) {
        if (section == QLatin1String(k.section) && key == QLatin1String(k.key))
            return &k;
    }
    return nullptr;
}

bool KnownSection(const QString &section)
{
    for (const TKey &k : Keys) {
        if (section == QLatin1String(k.section))
            return true;
    }
    return false;
}

// The options for one key, or a message saying why its value is bad.
QStringList OptionsOf(const TKey &k, const QString &value, const QString &folder)
{
    const QString option = QLatin1String(k.option);
    switch (k.kind) {
    case TKind::Text:
        if (value.isEmpty())
            throw TOptionError{QStringLiteral("needs a value")};
        return {option, value};
    case TKind::Path:
        if (value.isEmpty())
            throw TOptionError{QStringLiteral("needs a file name")};
        // A service runs in "/": a relative path means the configuration file's folder.
        return {option, QDir(folder).absoluteFilePath(value)};
    case TKind::Number: {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < k.low || n > k.high)
            throw TOptionError{QStringLiteral("needs a whole number from %1 to %2").arg(k.low).arg(k.high)};
        return {option, value};
    }
    case TKind::Bool: {
        bool on = false;
        if (!ParseBool(value, on))
            throw TOptionError{QStringLiteral("is true or false")};
        return on ? QStringList{option} : QStringList{};
    }
    case TKind::Type:
        for (const char *type : {"Ethernet", "RS232", "RS485"}) {
            if (value.compare(QLatin1String(type), Qt::CaseInsensitive) == 0)
                return {option, value};
        }
        throw TOptionError{QStringLiteral("is Ethernet, RS232 or RS485")};
    case TKind::Service: {
        // The command line's own check, so file and command line accept the same values.
        const QStringList args{option, value};
        int i = 0;
        TOptions scratch;
        TakeOption(option.mid(1), args, i, scratch);
        return args;
    }
    }
    return {};
}

} // namespace

QStringList ConfigArguments(const QByteArray &text, const QString &fileName)
{
    const QString folder = QFileInfo(fileName).absolutePath();
    QStringList result;
    QString section;
    QSet<QString> seen;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const auto fail = [&](const QString &message) {
            throw TConfigError{QStringLiteral("%1:%2: %3").arg(fileName).arg(n + 1).arg(message)};
        };
        QByteArray raw = lines[n];
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                fail(QStringLiteral("a section line is [NAME], not \"%1\"").arg(line));
            section = line.mid(1, line.size() - 2).trimmed();
            if (!KnownSection(section))
                fail(QStringLiteral("unknown section [%1]").arg(section));
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            fail(QStringLiteral("expected KEY = VALUE, not \"%1\"").arg(line));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (section.isEmpty())
            fail(QStringLiteral("key \"%1\" before any section").arg(key));
        const TKey *k = FindKey(section, key);
        if (k == nullptr)
            fail(QStringLiteral("unknown key \"%1\" in [%2]").arg(key, section));
        const QString qualified = section + QLatin1Char('.') + key;
        if (seen.contains(qualified))
            fail(QStringLiteral("key \"%1\" in [%2] is given twice").arg(key, section));
        seen.insert(qualified);
        try {
            result << OptionsOf(*k, value, folder);
        } catch (const TOptionError &e) {
            fail(QStringLiteral("key \"%1\" in [%2]: \"%3\" %4").arg(key, section, value, e.message));
        }
    }
    return result;
}

QStringList ExpandConfig(const QStringList &args)
{
    QStringList rest;
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (i > 0 && (a == QLatin1String("--config") || a == QLatin1String("-config"))) {
            if (i + 1 >= args.size())
                throw TOptionError{QStringLiteral("--config needs a file name")};
            if (!file.isEmpty())
                throw TOptionError{QStringLiteral("--config is given twice")};
            file = args[++i];
            if (file.isEmpty())
                throw TOptionError{QStringLiteral("--config needs a file name")};
            continue;
        }
        rest << a;
    }
    if (file.isEmpty())
        return args;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw TConfigError{QStringLiteral("%1:0: cannot be read: %2").arg(file, f.errorString())};
    const QStringList fromFile = ConfigArguments(f.readAll(), file);
    QStringList out{rest.value(0)};
    // The file keeps its name in the options, so the default --name and --check-config see it.
    out << QStringLiteral("--config") << file << fromFile << rest.mid(1);
    return out;
}

QString EffectiveSettings(const TConnectionParams &params, int interval, const QString &csv, bool append,
                          const TOptions &options)
{
    static const char *const types[] = {"Ethernet", "RS232", "RS485"};
    const auto line = [](const char *key, const QString &value) {
        return QStringLiteral("%1 = %2\n").arg(QLatin1String(key), value);
    };
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    QString out;
    if (!options.configFile.isEmpty())
        out += QStringLiteral("# from %1 and the command line\n").arg(options.configFile);
    out += QStringLiteral("[device]\n");
    out += line("type", QLatin1String(types[ChoiceIndex(params.Protocol)]));
    if (params.Protocol == TProtocol::Ethernet) {
        out += line("ip", params.IP);
        out += line("tcpport", QString::number(params.TcpPort));
        out += line("timeout", QString::number(params.Timeout));
    } else {
        out += line("port", QString::number(params.ComPortNumber));
        out += line("speed", QString::number(params.Speed));
        if (params.Protocol == TProtocol::RS485)
            out += line("address", QString::number(params.SlaveAddress));
    }
    out += QStringLiteral("\n[measurement]\n");
    out += line("interval", QString::number(interval));
    if (!csv.isEmpty())
        out += line("csv", csv);
    out += line("append", flag(append));
    out += line("name", options.EffectiveName());
    out += line("retry", flag(options.retry)).prepend(QStringLiteral("# command line only: "));
    if (!options.mqttUrl.isEmpty()) {
        out += QStringLiteral("\n[mqtt]\n");
        out += line("url", options.mqttUrl);
        out += line("prefix", options.mqttPrefix);
        if (!options.mqttPasswordFile.isEmpty())
            out += line("password_file", options.mqttPasswordFile);
        if (!options.mqttCaFile.isEmpty())
            out += line("ca_file", options.mqttCaFile);
        out += line("ha_discovery", flag(options.mqttHaDiscovery));
        out += line("keepalive", QString::number(options.mqttKeepalive));
    }
    if (options.metricsPort > 0) {
        out += QStringLiteral("\n[metrics]\n");
        out += line("listen", QStringLiteral("%1:%2").arg(options.metricsAddress).arg(options.metricsPort));
    }
    return out;
}

} // namespace Service
