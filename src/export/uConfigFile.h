#pragma once

// The configuration file of a logger run as a service: an INI file whose keys are the
// command-line options. It becomes the options it stands for, placed before the command
// line's own, so that every option given on the command line wins.

#include <QByteArray>
#include <QString>
#include <QStringList>

struct TConnectionParams;

namespace Service
{

// "FILE:LINE: message" (LINE 0 when the file as a whole is the fault).
struct TConfigError {
    QString message;
};

// The options the file's text stands for, in the file's order. fileName is used in the
// messages and to resolve relative paths against the file's folder.
QStringList ConfigArguments(const QByteArray &text, const QString &fileName);

// args with "--config FILE" (or "-config FILE") replaced: args[0], then the file's options,
// then the remaining command-line options. Unchanged without --config.
QStringList ExpandConfig(const QStringList &args);

struct TOptions;

// The effective settings in the configuration file's own form, the password never (only
// where it is read from).
QString EffectiveSettings(const TConnectionParams &params, int interval, const QString &csv, bool append,
                          const TOptions &options);

} // namespace Service
