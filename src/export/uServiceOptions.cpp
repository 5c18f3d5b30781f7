#include "export/uServiceOptions.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace Service
{

const char *const OptionsHelp =
    "  --config FILE                read the settings from FILE (options given here win)\n"
    "  --check-config               print the effective settings and exit without connecting\n"
    "  --name NAME                  name in MQTT topics and metric labels, [A-Za-z0-9_-]{1,64}\n"
    "                               (default: the configuration file's base name, else ombrix)\n"
    "  --retry                      keep trying to reach the device (5 s doubling to 60 s)\n"
    "  --metrics [ADDR:]PORT        serve GET /metrics for Prometheus (address 127.0.0.1)\n"
    "  --mqtt URL                   publish to mqtt://[USER@]HOST[:PORT] or mqtts://...\n"
    "  --mqtt-password-file FILE    the broker password (first line of FILE)\n"
    "  --mqtt-ca FILE               CA certificates for mqtts\n"
    "  --mqtt-prefix P              topic prefix (default ombrix)\n"
    "  --mqtt-keepalive S           keep-alive seconds, 5-3600 (default 30)\n"
    "  --mqtt-ha-discovery          publish Home Assistant discovery configurations\n";

QString TOptions::EffectiveName() const
{
    if (!name.isEmpty())
        return name;
    if (!configFile.isEmpty())
        return QFileInfo(configFile).completeBaseName();
    return QStringLiteral("ombrix");
}

bool ValidName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return pattern.match(name).hasMatch();
}

bool ParseBool(const QString &text, bool &value)
{
    if (text == QLatin1String("true")) {
        value = true;
        return true;
    }
    if (text == QLatin1String("false")) {
        value = false;
        return true;
    }
    return false;
}

void ParseListen(const QString &text, QString &address, int &port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QStringLiteral("127.0.0.1") : text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const int n = text.mid(colon + 1).toInt(&ok);
    if (!ok || n < 1 || n > 65535 || QHostAddress(host).isNull())
        throw TOptionError{QStringLiteral("--metrics needs [ADDRESS:]PORT with a numeric address and a port "
                                          "1-65535, not \"%1\"")
                               .arg(text)};
    address = host;
    port = n;
}

TMqttUrl ParseMqttUrl(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    TMqttUrl r;
    const QString scheme = url.scheme();
    const bool shapeOk =
        url.isValid() && (scheme == QLatin1String("mqtt") || scheme == QLatin1String("mqtts")) &&
        !url.host().isEmpty() && url.password().isEmpty() &&
        (url.path().isEmpty() || url.path() == QLatin1String("/")) && !url.hasQuery() && !url.hasFragment();
    if (!shapeOk)
        throw TOptionError{
            QStringLiteral("--mqtt needs mqtt://[USER@]HOST[:PORT] or mqtts://... (the password "
                           "only from --mqtt-password-file), not \"%1\"")
                .arg(text)};
    r.tls = scheme == QLatin1String("mqtts");
    r.user = url.userName();
    r.host = url.host();
    r.port = url.port(r.tls ? 8883 : 1883);
    return r;
}

namespace
{

int Number(const QString &option, const QString &value, int low, int high)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < low || n > high)
        throw TOptionError{QStringLiteral("%1 needs a whole number from %2 to %3, not \"%4\"")
                               .arg(option)
                               .arg(low)
                               .arg(high)
                               .arg(value)};
    return n;
}

QString NonEmpty(const QString &option, const QString &value)
{
    if (value.isEmpty())
        throw TOptionError{QStringLiteral("%1 needs a value").arg(option)};
    return value;
}

} // namespace

bool TakeOption(const QString &name, const QStringList &args, int &i, TOptions &o)
{
    if (name == QLatin1String("-check-config")) {
        o.checkConfig = true;
        return true;
    }
    if (name == QLatin1String("-retry")) {
        o.retry = true;
        return true;
    }
    if (name == QLatin1String("-mqtt-ha-discovery")) {
        o.mqttHaDiscovery = true;
        return true;
    }
    static const QStringList withValue{QStringLiteral("-config"),      QStringLiteral("-name"),
                                       QStringLiteral("-metrics"),     QStringLiteral("-mqtt"),
                                       QStringLiteral("-mqtt-prefix"), QStringLiteral("-mqtt-password-file"),
                                       QStringLiteral("-mqtt-ca"),     QStringLiteral("-mqtt-keepalive")};
    if (!withValue.contains(name))
        return false;
    const QString option = QLatin1Char('-') + name;
    if (i + 1 >= args.size())
        throw TOptionError{QStringLiteral("%1 needs a value").arg(option)};
    const QString v = args[++i];
    if (name == QLatin1String("-config")) {
        o.configFile = NonEmpty(option, v);
    } else if (name == QLatin1String("-name")) {
        if (!ValidName(v))
            throw TOptionError{
                QStringLiteral("--name must be 1 to 64 of A-Z a-z 0-9 _ -, not \"%1\"").arg(v)};
        o.name = v;
    } else if (name == QLatin1String("-metrics")) {
        ParseListen(v, o.metricsAddress, o.metricsPort);
    } else if (name == QLatin1String("-mqtt")) {
        ParseMqttUrl(v);
        o.mqttUrl = v;
    } else if (name == QLatin1String("-mqtt-prefix")) {
        // The prefix is a topic level path: no wildcards, no empty levels at its ends.
        if (v.isEmpty() || v.contains(QLatin1Char('#')) || v.contains(QLatin1Char('+')) ||
            v.startsWith(QLatin1Char('/')) || v.endsWith(QLatin1Char('/')))
            throw TOptionError{
                QStringLiteral("--mqtt-prefix must be a topic without wildcards, not \"%1\"").arg(v)};
        o.mqttPrefix = v;
    } else if (name == QLatin1String("-mqtt-password-file")) {
        o.mqttPasswordFile = NonEmpty(option, v);
    } else if (name == QLatin1String("-mqtt-ca")) {
        o.mqttCaFile = NonEmpty(option, v);
    } else {
        o.mqttKeepalive = Number(option, v, 5, 3600);
    }
    return true;
}

void CheckOptions(const TOptions &o)
{
    if (!ValidName(o.EffectiveName()))
        throw TOptionError{
            QStringLiteral("the name \"%1\" (from the configuration file's name) must be 1 to 64 of "
                           "A-Z a-z 0-9 _ -; give --name")
                .arg(o.EffectiveName())};
    if (o.mqttUrl.isEmpty() &&
        (!o.mqttPasswordFile.isEmpty() || !o.mqttCaFile.isEmpty() || o.mqttHaDiscovery))
        throw TOptionError{QStringLiteral("the MQTT options need --mqtt")};
}

} // namespace Service
