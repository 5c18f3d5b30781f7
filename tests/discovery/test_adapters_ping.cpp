#include "discovery/IPInfo.h"
#include "discovery/uUtilsTcpIp.h"

#include "NetNamespace.h"
#include "model/uExceptions.h"
#include "platform/Icmp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <linux/capability.h>
#include <net/if.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}


constexpr std::uint32_t Own = 0x0AC90701;  // 10.201.7.1, this namespace's own address
constexpr std::uint32_t Dead = 0x0AC90702; // 10.201.7.2, same subnet, nobody has it

// One veth pair with 10.201.7.1/24 and no default route: 10.201.7.2 never answers and
// every other address is unreachable.
class PingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OMBRIX_SKIP_WITHOUT_NAMESPACES();
        ASSERT_TRUE(ns.ok()) << ns.error().toStdString();
        ASSERT_TRUE(ns.addVethPair(QStringLiteral("ombp0"), QStringLiteral("02:00:5e:00:00:01"),
                                   {QStringLiteral("10.201.7.1/24")}, QStringLiteral("ombp1")))
            << ns.error().toStdString();
    }

    NetNamespace ns;
};

TEST(Ping, WaitsBeyondTheRangeOfAnIntAreCutNotEndless)
{
    using namespace std::chrono;
    constexpr int Longest = std::numeric_limits<int>::max();
    struct Case {
        steady_clock::duration left;
        int pollMs;
    };
    const Case cases[] = {
        {milliseconds(500), 500},
        {microseconds(1200), 2}, // rounded up, so a short wait is never 0
        {nanoseconds(0), 0},
        {milliseconds(-5), 0}, // the deadline has passed: no wait at all, never an endless one
        {milliseconds(Longest), Longest},
        {milliseconds(std::int64_t{Longest} + 1), Longest}, // about 24.8 days
        {milliseconds(std::numeric_limits<std::uint32_t>::max()), Longest},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Platform::PollTimeoutMs(c.left), c.pollMs) << duration_cast<microseconds>(c.left).count();
}

TEST(Ping, LoopbackAnswers)
{
    EXPECT_TRUE(Ping(QStringLiteral("127.0.0.1"), 1000, 1));
    EXPECT_TRUE(Ping(QStringLiteral("localhost"), 1000, 1));
}

TEST_F(PingTest, SilentAddressCostsTriesTimesTimeOutAndPause)
{
    struct Case {
        const char *host;
        bool answers;
        std::uint32_t timeout;
        int tries;
    };
    const Case cases[] = {
        {"10.201.7.2", false, 200, 2}, // each try: 200 ms wait, then the 500 ms pause
        {"10.201.7.2", false, 100, 1},
        {"10.201.7.1", true, 500, 3},
        {"10.201.7.2", false, 500, 0},
    };
    for (const Case &c : cases) {
        bool answered = !c.answers;
        double elapsed = 0;
        ns.inside([&] {
            const auto start = std::chrono::steady_clock::now();
            answered = Ping(QString::fromLatin1(c.host), c.timeout, c.tries);
            elapsed = MsSince(start);
        });
        SCOPED_TRACE(testing::Message() << c.host << " " << c.timeout << " ms x " << c.tries);
        EXPECT_EQ(answered, c.answers);
        if (!c.answers) {
            const double expected = c.tries * (c.timeout + 500.0);
            EXPECT_GE(elapsed, expected);
            EXPECT_LT(elapsed, expected + 600.0);
        }
    }
}

TEST_F(PingTest, UnresolvableNameIsZeroAndNeverAnswers)
{
    // No default route in the namespace: the name server is unreachable at once.
    TIPBytes resolved{1, 1, 1, 1};
    bool answered = true;
    ns.inside([&] {
        resolved = ResolveHost(QStringLiteral("ombrix-no-such-host.invalid"));
        answered = Ping(QStringLiteral("ombrix-no-such-host.invalid"), 100, 1);
    });
    EXPECT_EQ(resolved, (TIPBytes{0, 0, 0, 0}));
    EXPECT_FALSE(answered) << "0.0.0.0 reaches this machine itself on Linux, but it is no device";
}

TEST_F(PingTest, EveryEchoMethodTellsReplyFromSilence)
{
    using Method = Platform::TIcmpEcho::TMethod;
    ns.inside([] {
        // Datagram sockets are closed by default; open them for this namespace only.
        QFile range(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
        ASSERT_TRUE(range.open(QIODevice::WriteOnly));
        range.write("0 2147483647\n");
    });
    for (Method method : {Method::Datagram, Method::Raw, Method::Program}) {
        SCOPED_TRACE(static_cast<int>(method));
        ns.inside([&] {
            Platform::TIcmpEcho echo(method);
            ASSERT_EQ(echo.Method(), method);
            EXPECT_TRUE(echo.Echo(Own, 1000));
            EXPECT_TRUE(echo.Echo(Own, 1000)) << "a second request on the same handle";
            // Beyond what a poll wait or ping's -W can hold (about 24.8 days): cut, not refused.
            EXPECT_TRUE(echo.Echo(Own, std::numeric_limits<std::uint32_t>::max()));
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(echo.Echo(Dead, 150));
            EXPECT_LT(MsSince(start), 1300.0);
        });
    }
}

TEST_F(PingTest, NoEchoMeansInvalidHandle)
{
    QTemporaryDir emptyPath;
    ASSERT_TRUE(emptyPath.isValid());
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", emptyPath.path().toLocal8Bit()); // no ping program to fall back on
    ns.inside([] {
        // Without CAP_NET_RAW in this thread, and with datagram sockets closed in the
        // namespace, no way to send an echo is left.
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        ASSERT_EQ(syscall(SYS_capget, &header, data), 0);
        data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
        ASSERT_EQ(syscall(SYS_capset, &header, data), 0);
        EXPECT_FALSE(Platform::TIcmpEcho().IsOpen());
        try {
            Ping(QStringLiteral("10.201.7.1"), 100, 1);
            ADD_FAILURE() << "no error";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid handle"));
        }
    });
    qputenv("PATH", savedPath);
}

class AdapterTest : public ::testing::Test
{
protected:
    void SetUp() override { OMBRIX_SKIP_WITHOUT_NAMESPACES(); }
};

TEST_F(AdapterTest, ListsUpIPv4AdaptersWithoutLoopback)
{
    NetNamespace ns;
    ASSERT_TRUE(ns.ok()) << ns.error().toStdString();
    // Two addresses on the first adapter; peers without IPv4; a down adapter with one.
    ASSERT_TRUE(ns.addVethPair(QStringLiteral("omba0"), QStringLiteral("02:00:5e:10:2a:3b"),
                               {QStringLiteral("10.201.7.1/24"), QStringLiteral("10.201.8.1/25")},
                               QStringLiteral("omba1")));
    ASSERT_TRUE(ns.addVethPair(QStringLiteral("omba2"), QStringLiteral("02:00:5e:10:2a:3c"),
                               {QStringLiteral("10.202.7.1/16")}, QStringLiteral("omba3")));
    ASSERT_TRUE(ns.addVethPair(QStringLiteral("omba4"), QStringLiteral("02:00:5e:10:2a:3d"),
                               {QStringLiteral("10.203.7.1/24")}, QStringLiteral("omba5")));
    ASSERT_TRUE(ns.ip(
        {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("omba4"), QStringLiteral("down")}));
    ASSERT_TRUE(ns.ip({QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("default"),
                       QStringLiteral("via"), QStringLiteral("10.201.7.254"), QStringLiteral("dev"),
                       QStringLiteral("omba0")}));

    ns.inside([] {
        const TIPInfo info;
        ASSERT_EQ(info.Count(), 2);

        const TAdapter &first = info.Adapter(0);
        EXPECT_EQ(first.AdapterName, QStringLiteral("omba0"));
        EXPECT_EQ(first.AddressLength, 6u);
        EXPECT_EQ(first.Address, QStringLiteral("02:00:5E:10:2A:3B"));
        EXPECT_EQ(first.Index, if_nametoindex("omba0"));
        EXPECT_EQ(first.AdapterType, 6u);
        ASSERT_EQ(first.Count(), 2);
        EXPECT_EQ(first.IpAddress(0).IpAddress, QStringLiteral("10.201.7.1"));
        EXPECT_EQ(first.IpAddress(0).IpMask, QStringLiteral("255.255.255.0"));
        EXPECT_EQ(first.IpAddress(1).IpAddress, QStringLiteral("10.201.8.1"));
        EXPECT_EQ(first.IpAddress(1).IpMask, QStringLiteral("255.255.255.128"));
        EXPECT_EQ(first.CurrentIpAddress.IpAddress, QStringLiteral("10.201.7.1"));
        ASSERT_EQ(first.GatewayList.size(), 1u);
        EXPECT_EQ(first.GatewayList[0].IpAddress, QStringLiteral("10.201.7.254"));
        EXPECT_THROW(first.IpAddress(2), ERangeError);

        const TAdapter &second = info.Adapter(1);
        EXPECT_EQ(second.AdapterName, QStringLiteral("omba2"));
        EXPECT_EQ(second.Address, QStringLiteral("02:00:5E:10:2A:3C"));
        ASSERT_EQ(second.Count(), 1);
        EXPECT_EQ(second.IpAddress(0).IpMask, QStringLiteral("255.255.0.0"));
        EXPECT_TRUE(second.GatewayList.empty());
        EXPECT_THROW(info.Adapter(2), ERangeError);
        EXPECT_THROW(info.Adapter(-1), ERangeError);

        QStringList list{QStringLiteral("stale")};
        ListAdapterAddresses(list);
        EXPECT_EQ(list, (QStringList{QStringLiteral("10.201.7.1"), QStringLiteral("10.202.7.1")}));
    });
}

TEST_F(AdapterTest, NoAdapterFailsCreation)
{
    NetNamespace ns; // loopback only
    ASSERT_TRUE(ns.ok()) << ns.error().toStdString();
    ns.inside([] {
        EXPECT_THROW(TIPInfo(), Exception);
        QStringList list{QStringLiteral("stale")};
        EXPECT_THROW(ListAdapterAddresses(list), Exception);
        EXPECT_TRUE(list.isEmpty());
    });
}

TEST(NetNamespaceRig, RemovesItsNamespace)
{
    OMBRIX_SKIP_WITHOUT_NAMESPACES();
    QString name;
    {
        NetNamespace ns;
        ASSERT_TRUE(ns.ok()) << ns.error().toStdString();
        name = ns.name();
        EXPECT_TRUE(QFile::exists(QStringLiteral("/run/netns/") + name));
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("/run/netns/") + name));
}

} // namespace
