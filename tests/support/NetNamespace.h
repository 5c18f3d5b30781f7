#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// A network namespace of a test's own: created in the constructor (with its loopback
// up), deleted in the destructor, so nothing a test does reaches the machine's own
// network. Namespaces left behind by a crashed test process are removed by the next one.
// Needs root and the ip program; check ok() (or unavailableReason()) and skip otherwise.
class NetNamespace
{
public:
    NetNamespace();
    ~NetNamespace();
    NetNamespace(const NetNamespace &) = delete;
    NetNamespace &operator=(const NetNamespace &) = delete;

    // Empty when namespaces can be made here (tried once per process), else why not.
    static QString unavailableReason();

    bool ok() const { return m_ok; }
    const QString &error() const { return m_error; }
    const QString &name() const { return m_name; }

    // Runs `ip -n <name> <args>`; false, with its output in error(), when it fails.
    bool ip(const QStringList &args);

    // A veth pair with both ends inside the namespace, both up; the first end gets
    // the given hardware address and IPv4 addresses ("10.1.2.3/24"), the second none,
    // so addresses of its subnet other than the own ones never answer.
    bool addVethPair(const QString &end, const QString &mac, const QStringList &addresses,
                     const QString &peer);

    // Runs fn on a thread that has joined the namespace: sockets, interface lists and
    // child processes made there belong to it. Exceptions of fn are passed on;
    // std::runtime_error when the thread cannot join.
    void inside(const std::function<void()> &fn) const;

private:
    QString m_name;
    QString m_error;
    bool m_ok = false;
};

// Skips the current GoogleTest case, with the reason, where namespaces cannot be made.
#define OMBRIX_SKIP_WITHOUT_NAMESPACES()                                                                     \
    do {                                                                                                     \
        const QString why_ = NetNamespace::unavailableReason();                                              \
        if (!why_.isEmpty())                                                                                 \
            GTEST_SKIP() << why_.toStdString();                                                              \
    } while (false)
