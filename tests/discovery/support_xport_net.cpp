#include "support_xport_net.h"

#include "TestEnv.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

NsSim::~NsSim()
{
    if (m_proc && m_proc->state() != QProcess::NotRunning) {
        m_proc->terminate();
        if (!m_proc->waitForFinished(5000)) {
            m_proc->kill();
            m_proc->waitForFinished(3000);
        }
    }
}

bool NsSim::start(const NetNamespace &ns, const QStringList &args, const QString &controlPath)
{
    m_controlPath = controlPath;
    m_proc = std::make_unique<QProcess>();
    m_proc->start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"),
                                                    ns.name(), TestEnv::simulatorPath()} +
                                            args + QStringList{QStringLiteral("--control"), controlPath});
    if (!m_proc->waitForStarted(3000))
        return false;
    QByteArray out;
    QDeadlineTimer deadline(8000);
    while (!deadline.hasExpired() && !out.contains('\n') && m_proc->state() == QProcess::Running) {
        m_proc->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        out += m_proc->readAllStandardOutput();
    }
    return out.startsWith("ready");
}

QString NsSim::control(const QString &command) const
{
    QLocalSocket sock;
    sock.connectToServer(m_controlPath);
    if (!sock.waitForConnected(5000))
        return {};
    sock.write(command.toUtf8() + '\n');
    sock.waitForBytesWritten(5000);
    QByteArray reply;
    QDeadlineTimer deadline(5000);
    while (!reply.contains('\n') && !deadline.hasExpired() &&
           sock.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
        reply += sock.readAll();
    return QString::fromUtf8(reply.left(reply.indexOf('\n')));
}

QStringList NsSim::log() const
{
    QStringList entries = control(QStringLiteral("log")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!entries.isEmpty())
        entries.removeFirst();
    return entries;
}

QString NsSim::errorOutput()
{
    return m_proc ? QString::fromUtf8(m_proc->readAllStandardError()) : QString();
}

PacketCapture::~PacketCapture()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PacketCapture::open(const NetNamespace &ns, const QString &iface)
{
    ns.inside([&] {
        m_fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ALL));
        if (m_fd < 0)
            return;
        const int on = 1;
        setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        const int size = 4 << 20;
        setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        sockaddr_ll link{};
        link.sll_family = AF_PACKET;
        link.sll_protocol = htons(ETH_P_ALL);
        link.sll_ifindex = static_cast<int>(if_nametoindex(iface.toLatin1().constData()));
        if (link.sll_ifindex == 0 || bind(m_fd, reinterpret_cast<sockaddr *>(&link), sizeof link) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    });
    return m_fd >= 0;
}

QList<CapturedFrame> PacketCapture::frames()
{
    QList<CapturedFrame> result;
    for (int i = 0; i < 10000 && m_fd >= 0; ++i) {
        unsigned char buffer[2048];
        char control[256];
        sockaddr_ll from{};
        iovec io{buffer, sizeof buffer};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(m_fd, &msg, MSG_DONTWAIT);
        if (n < 0)
            break;
        const bool arp = n >= 42 && buffer[12] == 0x08 && buffer[13] == 0x06;
        if (!arp && (n < 34 || buffer[12] != 0x08 || buffer[13] != 0x00))
            continue;
        CapturedFrame f;
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts{};
                memcpy(&ts, CMSG_DATA(c), sizeof ts);
                f.ns = qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
            }
        }
        f.outgoing = from.sll_pkttype == PACKET_OUTGOING;
        f.dstMac = QByteArray(reinterpret_cast<char *>(buffer), 6);
        if (arp) {
            char text[INET_ADDRSTRLEN];
            f.arpTarget = QString::fromLatin1(inet_ntop(AF_INET, buffer + 38, text, sizeof text));
            result.append(f);
            continue;
        }
        const unsigned char *ip = buffer + 14;
        const int headerLength = (ip[0] & 0x0F) * 4;
        const int totalLength = ip[2] << 8 | ip[3];
        f.protocol = ip[9];
        char text[INET_ADDRSTRLEN];
        f.src = QString::fromLatin1(inet_ntop(AF_INET, ip + 12, text, sizeof text));
        f.dst = QString::fromLatin1(inet_ntop(AF_INET, ip + 16, text, sizeof text));
        const unsigned char *l4 = ip + headerLength;
        if ((f.protocol == 6 || f.protocol == 17) && 14 + headerLength + 8 <= n) {
            f.srcPort = l4[0] << 8 | l4[1];
            f.dstPort = l4[2] << 8 | l4[3];
        }
        if (f.protocol == 6 && 14 + headerLength + 14 <= n)
            f.tcpFlags = l4[13];
        if (f.protocol == 17 && totalLength <= n - 14)
            f.payload = QByteArray(reinterpret_cast<const char *>(l4 + 8), totalLength - headerLength - 8);
        result.append(f);
    }
    return result;
}

XPortNet::XPortNet()
{
    if (!pc.ok() || !field.ok()) {
        m_error = pc.ok() ? field.error() : pc.error();
        return;
    }
    struct Link {
        const char *end, *mac, *address, *peer;
    };
    const Link links[] = {{"a0", "02:00:5e:61:00:01", "10.61.0.1/24", "f0"},
                          {"a1", "02:00:5e:62:00:01", "10.62.0.1/24", "f1"}};
    for (const Link &l : links) {
        const QString peer = QString::fromLatin1(l.peer);
        if (!pc.addVethPair(QString::fromLatin1(l.end), QString::fromLatin1(l.mac),
                            {QString::fromLatin1(l.address)}, peer) ||
            !pc.ip({QStringLiteral("link"), QStringLiteral("set"), peer, QStringLiteral("netns"),
                    field.name()}) ||
            !field.ip({QStringLiteral("link"), QStringLiteral("set"), peer, QStringLiteral("up")})) {
            m_error = pc.error() + field.error();
            return;
        }
    }
    m_ok = m_dir.isValid();
}

NsSim *XPortNet::addDevice(const QString &iface, const QString &address, QJsonObject xport,
                           const QJsonObject &faults, int port)
{
    if (!field.ip({QStringLiteral("addr"), QStringLiteral("add"), address + QStringLiteral("/24"),
                   QStringLiteral("dev"), iface}))
        return nullptr;
    xport[QStringLiteral("ip")] = address;
    QJsonObject scenario{{QStringLiteral("name"), QStringLiteral("device at ") + address},
                         {QStringLiteral("family"), QStringLiteral("farvo")},
                         {QStringLiteral("xport"), xport}};
    if (!faults.isEmpty())
        scenario[QStringLiteral("faults")] = faults;
    const int n = static_cast<int>(m_sims.size());
    const QString file = m_dir.filePath(QStringLiteral("device%1.json").arg(n));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(scenario).toJson()) < 0)
        return nullptr;
    out.close();
    auto sim = std::make_unique<NsSim>();
    if (!sim->start(field,
                    {QStringLiteral("--scenario"), file, QStringLiteral("--udp"),
                     QStringLiteral("%1:%2").arg(address).arg(port), QStringLiteral("--iface"), iface},
                    m_dir.filePath(QStringLiteral("control%1").arg(n))))
        return nullptr;
    m_sims.push_back(std::move(sim));
    return m_sims.back().get();
}

QString DescriptionOf(const QString &head, int n)
{
    QString text = head;
    for (int i = 0; text.size() < n; ++i)
        text += QChar(QLatin1Char('a' + i % 26));
    return text.left(n);
}
