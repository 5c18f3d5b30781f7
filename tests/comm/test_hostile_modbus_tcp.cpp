// The master against a Modbus/TCP peer that misbehaves on purpose: every fault
// ends in a failed read with its error within the time-out, never in a hang, a
// crash or registers taken as read, and the next read on a fresh connection is good.
#include "comm/BusProtocolExceptions.h"
#include "comm/uMSPComm.h"

#include "HostilePeer.h"
#include "support_comm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <vector>

using namespace CommTest;
using HostilePeer::TcpPeer;

namespace
{

constexpr int TimeoutMs = 500;

std::vector<std::uint16_t> goodValues(int count)
{
    std::vector<std::uint16_t> values(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        values[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0x0100 + i);
    return values;
}

// What the peer does with the first request; every later one it answers well.
using Fault = std::function<bool(int fd, const QByteArray &request)>;

bool garbage(int fd, const QByteArray &)
{
    HostilePeer::SendAll(fd, QByteArray("\x7f\x45\x4c\x46 this is no modbus frame at all\r\n"));
    return true;
}

bool wrongTransaction(int fd, const QByteArray &request)
{
    QByteArray reply = HostilePeer::RegistersReply(request, goodValues(HostilePeer::RequestedCount(request)));
    reply[1] = static_cast<char>(reply[1] + 1);
    HostilePeer::SendAll(fd, reply);
    return true;
}

bool halfThenSilence(int fd, const QByteArray &request)
{
    const QByteArray reply =
        HostilePeer::RegistersReply(request, goodValues(HostilePeer::RequestedCount(request)));
    HostilePeer::SendAll(fd, reply.left(reply.size() / 2));
    return true;
}

bool flood(int fd, const QByteArray &)
{
    // Far more than any reply, until the master stops taking it (or 4 MB).
    const QByteArray chunk(64 * 1024, '\xA5');
    for (int i = 0; i < 64 && HostilePeer::SendAll(fd, chunk); ++i) {
    }
    return true;
}

bool floodOfValidLookingHeaders(int fd, const QByteArray &request)
{
    // Headers that carry the request's transaction id but claim the longest PDU.
    QByteArray header = request.left(4) + QByteArray("\xFF\xFF\x01\x03", 4);
    HostilePeer::SendAll(fd, header.repeated(16 * 1024));
    return true;
}

bool resetMidFrame(int fd, const QByteArray &request)
{
    const QByteArray reply =
        HostilePeer::RegistersReply(request, goodValues(HostilePeer::RequestedCount(request)));
    HostilePeer::SendAll(fd, reply.left(9));
    HostilePeer::Reset(fd);
    return false;
}

bool fewerRegisters(int fd, const QByteArray &request)
{
    HostilePeer::SendAll(
        fd, HostilePeer::RegistersReply(request, goodValues(HostilePeer::RequestedCount(request) - 2)));
    return true;
}

bool otherFunction(int fd, const QByteArray &request)
{
    QByteArray reply = HostilePeer::RegistersReply(request, goodValues(HostilePeer::RequestedCount(request)));
    reply[7] = '\x04'; // Read Input Registers, which was not asked
    HostilePeer::SendAll(fd, reply);
    return true;
}

} // namespace

TEST(HostileModbusTcpPeer, EveryMisbehaviourIsAFailedReadAndTheNextReadIsGood)
{
    std::signal(SIGPIPE, SIG_DFL); // a write into a reset connection must not pass unnoticed
    struct Case {
        const char *name;
        Fault fault;
        const std::type_info &error;
    };
    const Case cases[] = {
        {"garbage", garbage, typeid(EInvalidReplyException)},
        {"wrong transaction id", wrongTransaction, typeid(EInvalidReplyException)},
        {"half a reply, then silence", halfThenSilence, typeid(EReplyTimeoutException)},
        {"flood of bytes", flood, typeid(EInvalidReplyException)},
        {"flood of headers claiming a long frame", floodOfValidLookingHeaders,
         typeid(EInvalidReplyException)},
        {"reset mid-frame", resetMidFrame, typeid(EConnectionWasClosed)},
        {"fewer registers than asked", fewerRegisters, typeid(EInvalidReplyException)},
        {"reply of another function", otherFunction, typeid(EInvalidReplyException)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TcpPeer peer([&c](int fd, const QByteArray &request, int index) {
            if (index == 0)
                return c.fault(fd, request);
            return HostilePeer::SendAll(
                fd, HostilePeer::RegistersReply(request, goodValues(HostilePeer::RequestedCount(request))));
        });
        ASSERT_NE(peer.port(), 0);
        TMSPModbus m;
        m.SetProtocolKind(TSyncMBus::KindTcp);
        m.SetHost(QStringLiteral("127.0.0.1"));
        m.SetTcpPort(peer.port());
        m.setTimeout(TimeoutMs);
        ASSERT_NO_THROW(m.Open());

        std::array<std::uint16_t, 16> block{};
        block.fill(0xEEEE);
        const auto start = std::chrono::steady_clock::now();
        const Raised r = raisedBy([&] { m.ReadRegisters(1, 1, block); });
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(r.is(c.error)) << (r.type ? r.type->name() : "nothing raised") << ": "
                                   << r.message.toStdString();
        // Bounded by the time-out, with a wide margin for a loaded machine.
        EXPECT_LT(took, std::chrono::milliseconds(TimeoutMs + 8000));

        // As the readers do: reopen when the link was given up, then read again.
        if (!m.IsOpen()) {
            ASSERT_NO_THROW(m.Open());
        }
        block.fill(0xEEEE);
        ASSERT_NO_THROW(m.ReadRegisters(1, 1, block)) << "the rest of a bad answer spoils the next read";
        for (std::size_t i = 0; i < block.size(); ++i)
            ASSERT_EQ(block[i], 0x0100 + i) << "register " << i;
    }
}
