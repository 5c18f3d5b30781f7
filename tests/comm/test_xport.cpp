#include "comm/uDeviceComm.h"

#include "SimProcess.h"
#include "support_comm.h"

#include "model/uExceptions.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace
{

const QString kNoResponse = QStringLiteral("Chyba při komunikaci s XPortem - žádná odezva");
const QString kInvalidReply = QStringLiteral("Chyba při komunikaci s XPortem - neplatná odpověď");
const QString kBadParameter = QStringLiteral("Chyba při komunikaci s XPortem - neplatný parametr funkce");

QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &e) {
        return e.Message();
    }
    return QStringLiteral("<no exception>");
}

// A loopback UDP peer that answers the first datagram it gets with a reply the
// test chooses: what a misbehaving XPort would send, which the simulator never does.
class ScriptedPeer
{
public:
    explicit ScriptedPeer(QByteArray reply, int waitMs = 1500) : m_reply(std::move(reply)), m_waitMs(waitMs)
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~ScriptedPeer()
    {
        if (m_thread.joinable())
            m_thread.join();
        close(m_fd);
    }
    std::uint16_t port() const { return m_port; }
    // Waits for the peer thread: the request it received (empty if none came in time).
    QByteArray request()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }

private:
    void serve()
    {
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, m_waitMs) <= 0)
            return;
        char buf[2048];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &len);
        if (n < 0)
            return;
        m_request = QByteArray(buf, n);
        if (!m_reply.isNull())
            sendto(m_fd, m_reply.constData(), m_reply.size(), 0, reinterpret_cast<sockaddr *>(&from), len);
    }

    int m_fd = -1;
    std::uint16_t m_port = 0;
    QByteArray m_reply;
    int m_waitMs;
    QByteArray m_request;
    std::thread m_thread;
};

QByteArray recordReply(std::uint8_t headerByte, int dataBytes)
{
    QByteArray r(4 + dataBytes, '\0');
    r[3] = static_cast<char>(headerByte);
    for (int i = 0; i < dataBytes; ++i)
        r[4 + i] = static_cast<char>(i + 1);
    return r;
}

} // namespace

TEST(XPortHex, HexToBytes)
{
    struct Case {
        const char *text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"", QByteArray()},
        {"0A1", QByteArray("\x0A", 1)},
        {"0G", QByteArray(2, '\0')},
        {"000100E4", QByteArray("\x00\x01\x00\xE4", 4)},
        {"ff7f", QByteArray("\xFF\x7F", 2)},
        {"12 4", QByteArray(4, '\0')}, // a blank is not a digit
        {"1+", QByteArray(2, '\0')},
        {"00ZZ1", QByteArray(5, '\0')},
        {"7", QByteArray()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TXPort::HexToBytes(QString::fromLatin1(c.text)), c.bytes);
    }
}

TEST(XPortHex, BytesToHexIsUpperCaseAndRoundTrips)
{
    const QByteArray bytes("\x00\xAB\x0f\xFF\x10", 5);
    EXPECT_EQ(TXPort::BytesToHex(bytes), QStringLiteral("00AB0FFF10"));
    EXPECT_EQ(TXPort::HexToBytes(TXPort::BytesToHex(bytes)), bytes);
    EXPECT_EQ(TXPort::BytesToHex({}), QString());
}

TEST(XPortExchange, Defaults)
{
    TXPort x;
    EXPECT_EQ(x.Port, 30718);
    EXPECT_EQ(x.ReceiveTimeout, 3000);
    EXPECT_TRUE(x.Host.isEmpty());
}

TEST(XPortExchange, RepliesThatDoNotFitTheRecordAreRefused)
{
    struct Case {
        const char *name;
        std::uint8_t record;
        QByteArray reply;
        bool accepted;
    };
    const Case cases[] = {
        {"record 4 whole", 4, recordReply(0xD4, 126), true},
        {"record 10 uses the digit A", 10, recordReply(0xDA, 126), true},
        {"header of record 5", 4, recordReply(0xD5, 126), false},
        {"129 bytes", 4, recordReply(0xD4, 125), false},
        {"131 bytes", 4, recordReply(0xD4, 127), false},
        {"record 0 at full length", 0, recordReply(0xD0, 126), false},
        {"record 0 short", 0, recordReply(0xD0, 120), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer(c.reply);
        TXPort x;
        x.Host = QStringLiteral("127.0.0.1");
        x.Port = peer.port();
        x.ReceiveTimeout = 1000;
        TXPortRecord rec{};
        const QString msg = messageOf([&] { x.ReadRecord(c.record, rec); });
        const QByteArray expectedRequest = QByteArray("\x00\x01\x00", 3) + char(0xE0 + c.record);
        EXPECT_EQ(peer.request(), expectedRequest);
        if (c.accepted) {
            EXPECT_EQ(msg, QStringLiteral("<no exception>"));
            EXPECT_EQ(x.Reply, TXPort::BytesToHex(c.reply));
            EXPECT_EQ(rec[0], 1);
            EXPECT_EQ(rec[119], 120);
            EXPECT_EQ(rec[125], c.record == 0 ? 0xFF : 126);
        } else {
            EXPECT_EQ(msg, kInvalidReply);
        }
    }
}

TEST(XPortExchange, PatternWildcardIsTheLowerCaseDOnly)
{
    // The upper-case D of a pattern is a digit that must be there.
    ScriptedPeer peer(QByteArray("\x00\x00\x00\xC4", 4));
    TXPort x;
    x.Host = QStringLiteral("127.0.0.1");
    x.Port = peer.port();
    x.Request = QStringLiteral("000100E4");
    EXPECT_EQ(messageOf([&] { x.Exchange(QStringLiteral("000000D4")); }), kInvalidReply);
    EXPECT_EQ(x.Reply, QStringLiteral("000000C4"));
}

TEST(XPortExchange, NoReplyLeavesReplyEmpty)
{
    ScriptedPeer peer(QByteArray{}); // receives, never answers
    TXPort x;
    x.Host = QStringLiteral("127.0.0.1");
    x.Port = peer.port();
    x.ReceiveTimeout = 300;
    x.Reply = QStringLiteral("stale");
    x.Request = QStringLiteral("000100E1");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(messageOf([&] { x.Exchange(QStringLiteral("000000D1")); }), kNoResponse);
    EXPECT_GE(t.elapsed(), 290);
    EXPECT_TRUE(x.Reply.isEmpty());
    EXPECT_EQ(peer.request(), QByteArray("\x00\x01\x00\xE1", 4));
}

TEST(XPortExchange, EmptyPatternSendsWithoutWaiting)
{
    ScriptedPeer peer(QByteArray("\x00\x00\x00\xD1", 4));
    TXPort x;
    x.Host = QStringLiteral("127.0.0.1");
    x.Port = peer.port();
    x.Request = QStringLiteral("0000000102");
    QElapsedTimer t;
    t.start();
    EXPECT_NO_THROW(x.Exchange(QString()));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(x.Reply.isEmpty());
    EXPECT_EQ(peer.request(), QByteArray("\x00\x00\x00\x01\x02", 5));
}

TEST(XPortExchange, RecordAbove15FailsBeforeAnythingIsSent)
{
    ScriptedPeer peer(QByteArray("\x00\x00\x00\xD0", 4), 300);
    TXPort x;
    x.Host = QStringLiteral("127.0.0.1");
    x.Port = peer.port();
    TXPortRecord rec{};
    EXPECT_EQ(messageOf([&] { x.ReadRecord(16, rec); }), kBadParameter);
    EXPECT_TRUE(peer.request().isEmpty());
}

TEST(XPortExchange, SendFailureIsAWriteOrReadError)
{
    TXPort x;
    x.Host = QStringLiteral("not an address");
    x.Request = QStringLiteral("000100E1");
    x.Reply = QStringLiteral("stale");
    EXPECT_EQ(messageOf([&] { x.Exchange(QStringLiteral("000000D1")); }),
              QStringLiteral("Chyba při komunikaci s XPortem - zápis nebo čtení se nezdařilo"));
    EXPECT_TRUE(x.Reply.isEmpty());
}

class XPortSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start(CommTest::scenario())) << qPrintable(sim.errorOutput());
        x.Host = QStringLiteral("127.0.0.1");
        x.Port = sim.udpPort();
        x.ReceiveTimeout = 1000;
    }
    SimProcess sim;
    TXPort x;
};

TEST_F(XPortSim, ReadsEveryRecordWithItsHeader)
{
    for (int n = 0; n <= 15; ++n) {
        SCOPED_TRACE(n);
        TXPortRecord rec;
        rec.fill(0x5A);
        ASSERT_NO_THROW(x.ReadRecord(static_cast<std::uint8_t>(n), rec));
        const QString digit = QString::number(n, 16).toUpper();
        EXPECT_EQ(x.Request, QStringLiteral("000100E") + digit);
        EXPECT_EQ(x.Reply.left(8), QStringLiteral("000000D") + digit);
        EXPECT_EQ(x.Reply.size(), n == 0 ? 248 : 260);
        const QByteArray data = TXPort::HexToBytes(x.Reply.mid(8));
        for (int i = 0; i < data.size(); ++i)
            ASSERT_EQ(rec[static_cast<std::size_t>(i)], static_cast<std::uint8_t>(data[i])) << i;
        if (n == 0) {
            for (std::size_t i = 120; i < 126; ++i)
                EXPECT_EQ(rec[i], 0xFF) << i;
        }
    }
    EXPECT_TRUE(sim.log().contains(QStringLiteral("udp:000100EF")));
}

TEST_F(XPortSim, SilentDeviceGivesNoResponseThenRecovers)
{
    ASSERT_TRUE(sim.control(QStringLiteral("fault udpnone 1")).startsWith(QStringLiteral("ok")));
    x.ReceiveTimeout = 400;
    TXPortRecord rec{};
    EXPECT_EQ(messageOf([&] { x.ReadRecord(4, rec); }), kNoResponse);
    EXPECT_TRUE(x.Reply.isEmpty());
    EXPECT_NO_THROW(x.ReadRecord(4, rec));
}

TEST_F(XPortSim, LateAnswerOfAnEarlierQueryIsNotTakenForTheNextOne)
{
    ASSERT_TRUE(sim.control(QStringLiteral("fault udpdelay 500")).startsWith(QStringLiteral("ok")));
    x.ReceiveTimeout = 200;
    TXPortRecord rec{};
    EXPECT_EQ(messageOf([&] { x.ReadRecord(2, rec); }), kNoResponse);
    ASSERT_TRUE(sim.control(QStringLiteral("fault udpdelay off")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(x.DatagramWaiting(10000)) << "record 2's late answer has come";
    x.ReceiveTimeout = 1000;
    EXPECT_NO_THROW(x.ReadRecord(5, rec));
    EXPECT_EQ(x.Reply.left(8), QStringLiteral("000000D5"));
}

TEST_F(XPortSim, EmptyPatternOnlySends)
{
    sim.control(QStringLiteral("log clear"));
    x.Request = QStringLiteral("000100E6");
    EXPECT_NO_THROW(x.Exchange(QString()));
    EXPECT_TRUE(x.Reply.isEmpty());
    QStringList log;
    for (int i = 0; i < 50 && log.isEmpty(); ++i) {
        log = sim.log();
        if (log.isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(log, QStringList{QStringLiteral("udp:000100E6")});
}
