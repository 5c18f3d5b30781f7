#pragma once

// A small network of the tests' own for the XPort search and IP change: a "pc"
// namespace with two adapters, each joined by a veth pair to a "field" namespace
// where simulated devices own their addresses. No default route anywhere.

#include "NetNamespace.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// The simulator run inside a namespace (through `ip netns exec`).
class NsSim
{
public:
    ~NsSim();
    bool start(const NetNamespace &ns, const QStringList &args, const QString &controlPath);
    QString control(const QString &command) const;
    QStringList log() const;
    QString errorOutput();

private:
    std::unique_ptr<QProcess> m_proc;
    QString m_controlPath;
};

// One IPv4 frame seen on an interface.
struct CapturedFrame {
    qint64 ns = 0; // receive time stamp, nanoseconds (only differences mean anything)
    bool outgoing = false;
    QByteArray dstMac;
    int protocol = 0;  // 1 ICMP, 6 TCP, 17 UDP; 0 for an ARP frame
    QString arpTarget; // the address an ARP request asks for
    QString src, dst;
    int srcPort = 0, dstPort = 0;
    int tcpFlags = 0;
    QByteArray payload; // UDP payload
};

// Every frame of one interface of a namespace, from open() on; read them afterwards.
class PacketCapture
{
public:
    ~PacketCapture();
    bool open(const NetNamespace &ns, const QString &iface);
    // The IPv4 and ARP frames queued since open() or the last call.
    QList<CapturedFrame> frames();

private:
    int m_fd = -1;
};

class XPortNet
{
public:
    // Adapters of the pc: a0 10.61.0.1/24 and a1 10.62.0.1/24; their peers in the
    // field namespace are f0 and f1.
    static constexpr const char *Adapter0 = "10.61.0.1";
    static constexpr const char *Adapter1 = "10.62.0.1";

    XPortNet();
    bool ok() const { return m_ok; }
    const QString &error() const { return m_error; }

    // A simulated device on f0 or f1 that owns address (given the /24 there); xport is
    // the scenario's "xport" section (its "ip" is set here), faults its "faults".
    NsSim *addDevice(const QString &iface, const QString &address, QJsonObject xport,
                     const QJsonObject &faults = {}, int port = 30718);

    NetNamespace pc;
    NetNamespace field;

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<NsSim>> m_sims;
    bool m_ok = false;
    QString m_error;
};

// A description text of n characters ("D01-...").
QString DescriptionOf(const QString &head, int n);

#define SKIP_WITHOUT_NAMESPACES()                                                                            \
    do {                                                                                                     \
        const QString why = NetNamespace::unavailableReason();                                               \
        if (!why.isEmpty())                                                                                  \
            GTEST_SKIP() << why.toStdString();                                                               \
    } while (false)
