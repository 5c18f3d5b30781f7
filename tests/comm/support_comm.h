#pragma once

// Helpers shared by the device-facing tests of the communication layer.

#include "model/uExceptions.h"

#include <QString>

#include <functional>
#include <typeinfo>

namespace CommTest
{

QString scenario(const QString &fileName = QStringLiteral("comm-farvo.json"));

// What an action raised: its dynamic class and message ("" and no type when
// nothing was raised).
struct Raised {
    const std::type_info *type = nullptr;
    QString message;
    bool is(const std::type_info &t) const { return type && *type == t; }
};
Raised raisedBy(const std::function<void()> &action);

// A TCP port on 127.0.0.1 where nobody listens.
quint16 closedTcpPort();

// The output line speed in bit/s of a serial device as any other opener sees it (a
// pty keeps every rate it is given, standard or not); -1 when it cannot be read.
int lineRate(const QString &device);

// Sets an environment variable for the lifetime of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value);
    ~ScopedEnv();

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace CommTest
