#pragma once

// The options that make ombrix-logger a service: its name, the configuration file, waiting
// for the device, the metrics endpoint and the MQTT broker. Parsed here so the program's
// main only wires them.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace Service
{

struct TOptionError {
    QString message;
};

struct TMqttUrl {
    bool tls = false;
    QString user;
    QString host;
    int port = 1883;
};

struct TOptions {
    QString configFile;
    QString name; // empty: the configuration file's base name, else "ombrix"
    bool checkConfig = false;
    bool retry = false;
    QString metricsAddress = QStringLiteral("127.0.0.1");
    int metricsPort = 0; // 0: no metrics endpoint
    QString mqttUrl;     // empty: no MQTT
    QString mqttPrefix = QStringLiteral("ombrix");
    QString mqttPasswordFile;
    QString mqttCaFile;
    int mqttKeepalive = 30;
    bool mqttHaDiscovery = false;

    // The name in topics and labels.
    QString EffectiveName() const;
};

extern const char *const OptionsHelp;

// When name (with one dash, as Cli::OptionName gives it) is a service option, takes it and
// its value (i moves past it) and returns true; a missing or bad value is a TOptionError.
bool TakeOption(const QString &name, const QStringList &args, int &i, TOptions &o);
// Checks what needs several options together (the password file needs a URL, ...).
void CheckOptions(const TOptions &o);

// The checks the configuration file shares; each throws TOptionError with a message
// naming the option.
bool ValidName(const QString &name);
void ParseListen(const QString &text, QString &address, int &port);
TMqttUrl ParseMqttUrl(const QString &text);
bool ParseBool(const QString &text, bool &value);

} // namespace Service
