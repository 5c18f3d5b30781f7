// A Modbus/TCP device whose host becomes unreachable in the middle of a read, in a
// network namespace of the test's own: the master reports a failed connection, not
// a peer that closed it (nobody closed anything).
#include "comm/BusProtocolExceptions.h"
#include "comm/uMSPComm.h"

#include "NetNamespace.h"
#include "support_comm.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace CommTest;

namespace
{

const char *const Own = "10.213.5.1";
const char *const Device = "10.213.5.2";
constexpr std::uint16_t DevicePort = 1502;

bool WriteSysctl(const std::string &path, const std::string &value)
{
    std::ofstream out(path);
    out << value << '\n';
    out.flush();
    return static_cast<bool>(out);
}

// A listener that takes the connection and never answers.
class SilentDevice
{
public:
    SilentDevice()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(DevicePort);
        inet_pton(AF_INET, Device, &a.sin_addr);
        m_ok = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
               ::listen(m_fd, 4) == 0;
    }
    ~SilentDevice()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SilentDevice(const SilentDevice &) = delete;
    SilentDevice &operator=(const SilentDevice &) = delete;
    bool ok() const { return m_ok; }

private:
    int m_fd = -1;
    bool m_ok = false;
};

} // namespace

TEST(ModbusTcpUnreachable, HostGoneDuringAReadIsAFailedConnection)
{
    const QString why = NetNamespace::unavailableReason();
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    NetNamespace ns;
    ASSERT_TRUE(ns.ok()) << ns.error().toStdString();
    // The device's address sits on the far end of a veth pair but is reached, while it
    // exists, as a local address with our own as the source. Once it is gone the
    // request goes out on the link, nobody answers the address query, and the kernel
    // reports the host unreachable to the connection.
    ASSERT_TRUE(ns.addVethPair(QStringLiteral("ombu0"), QStringLiteral("02:00:5e:00:13:01"),
                               {QStringLiteral("%1/24").arg(QLatin1String(Own))}, QStringLiteral("ombu1")))
        << ns.error().toStdString();
    ASSERT_TRUE(ns.ip({QStringLiteral("addr"), QStringLiteral("add"),
                       QStringLiteral("%1/32").arg(QLatin1String(Device)), QStringLiteral("dev"),
                       QStringLiteral("ombu1")}))
        << ns.error().toStdString();
    ASSERT_TRUE(
        ns.ip({QStringLiteral("route"), QStringLiteral("replace"), QStringLiteral("local"),
               QLatin1String(Device), QStringLiteral("dev"), QStringLiteral("ombu1"), QStringLiteral("table"),
               QStringLiteral("local"), QStringLiteral("proto"), QStringLiteral("kernel"),
               QStringLiteral("scope"), QStringLiteral("host"), QStringLiteral("src"), QLatin1String(Own)}))
        << ns.error().toStdString();

    TMSPModbus m;
    std::unique_ptr<SilentDevice> device;
    ns.inside([&] {
        // Give up within about a second: one address query, one TCP retransmission.
        ASSERT_TRUE(WriteSysctl("/proc/sys/net/ipv4/tcp_retries2", "1"));
        ASSERT_TRUE(WriteSysctl("/proc/sys/net/ipv4/neigh/ombu0/mcast_solicit", "1"));
        ASSERT_TRUE(WriteSysctl("/proc/sys/net/ipv4/neigh/ombu0/retrans_time_ms", "100"));
        device = std::make_unique<SilentDevice>();
        ASSERT_TRUE(device->ok());
        m.SetProtocolKind(TSyncMBus::KindTcp);
        m.SetHost(QLatin1String(Device));
        m.SetTcpPort(DevicePort);
        m.setTimeout(20000); // far longer than the kernel takes to give up
        ASSERT_NO_THROW(m.Open());
    });
    ASSERT_TRUE(m.IsOpen());
    ASSERT_TRUE(ns.ip({QStringLiteral("addr"), QStringLiteral("del"),
                       QStringLiteral("%1/32").arg(QLatin1String(Device)), QStringLiteral("dev"),
                       QStringLiteral("ombu1")}))
        << ns.error().toStdString();

    Raised r;
    ns.inside([&] {
        std::array<std::uint16_t, 2> words{};
        r = raisedBy([&] { m.ReadRegisters(1, 1, words); });
    });
    EXPECT_TRUE(r.is(typeid(ETcpipConnectErr)))
        << (r.type ? r.type->name() : "nothing") << " " << r.message.toStdString();
    EXPECT_EQ(r.message, QStringLiteral("TCP/IP connection error"));
    EXPECT_FALSE(m.IsOpen()) << "the next open reconnects";
}
