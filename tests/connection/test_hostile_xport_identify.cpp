// Identification of an Ethernet device whose XPort answers the configuration-record
// queries badly on purpose: cut, overlong, with another record's header, empty,
// twice, or from another host than the one asked. A bad answer ends in the
// identification's message with nothing of the device configured; repeated and
// stray datagrams do not change what is read from the device itself.
#include "connection/uDeviceConnection.h"

#include "HostilePeer.h"
#include "model/uExceptions.h"

#include <gtest/gtest.h>

#include <functional>

using HostilePeer::UdpPeer;

namespace
{

const QString UnableToRead = QStringLiteral("Unable to read from XPort.");
const QString Stranger = QStringLiteral("127.0.0.2");

// The records of a second Ethernet family device (type 7) with one named quantity.
QByteArray RecordReply(int n)
{
    QByteArray reply(130, '\0');
    reply[3] = static_cast<char>(0xD0 + n);
    char *data = reply.data() + 4;
    if (n == 4) {
        data[78] = 7; // device type
        data[79] = 5; // firmware 5.6.0
        data[80] = 6;
    } else if (n == 1) {
        data[0] = 1; // first quantity present
        memcpy(data + 1, "Flow", 4);
        memcpy(data + 41, "m3/h", 4);
        data[97] = 2; // decimals
    } else if (n == 2) {
        const char serial[] = {0x12, 0x34, 0x56, 0x78};
        memcpy(data + 85, serial, 4);
    }
    return reply;
}

// The record a query asks for, or -1 when it is no record query.
int RecordAsked(const QByteArray &query)
{
    if (query.size() != 4 || query.left(3) != QByteArray("\x00\x01\x00", 3))
        return -1;
    return static_cast<std::uint8_t>(query[3]) - 0xE0;
}

// How the device side answers record n's query (the stranger sends from another address).
using Answer = std::function<void(UdpPeer &device, UdpPeer &stranger, const UdpPeer::Datagram &query, int n)>;

void Send(UdpPeer &from, const UdpPeer::Datagram &query, const QByteArray &bytes)
{
    from.Send(bytes, query.from, query.fromPort);
}

} // namespace

TEST(HostileXPortIdentify, BadAnswersFailTheIdentificationAndRepeatedOrStrayOnesDoNot)
{
    // identified: the device must be identified (1), must not be (0), or either
    // outcome may stand (-1): a repeated answer that comes after the next query
    // went out is that query's wrong answer, so it may cost the identification,
    // but it must never configure anything the device did not say.
    struct Case {
        const char *name;
        Answer answer;
        int identified;
    };
    const Case cases[] = {
        {"record 4 cut short",
         [](UdpPeer &d, UdpPeer &, const UdpPeer::Datagram &q, int n) {
             Send(d, q, n == 4 ? RecordReply(n).left(100) : RecordReply(n));
         },
         0},
        {"record 4 a byte too long",
         [](UdpPeer &d, UdpPeer &, const UdpPeer::Datagram &q, int n) {
             Send(d, q, n == 4 ? RecordReply(n) + '\0' : RecordReply(n));
         },
         0},
        {"record 4 with the header of record 5",
         [](UdpPeer &d, UdpPeer &, const UdpPeer::Datagram &q, int n) {
             Send(d, q, RecordReply(n == 4 ? 5 : n));
         },
         0},
        {"an empty datagram",
         [](UdpPeer &d, UdpPeer &, const UdpPeer::Datagram &q, int) { Send(d, q, QByteArray()); }, 0},
        {"answers only from another host",
         [](UdpPeer &, UdpPeer &s, const UdpPeer::Datagram &q, int n) { Send(s, q, RecordReply(n)); }, 0},
        {"every answer twice",
         [](UdpPeer &d, UdpPeer &, const UdpPeer::Datagram &q, int n) {
             Send(d, q, RecordReply(n));
             Send(d, q, RecordReply(n));
         },
         -1},
        {"another host's record before each answer",
         [](UdpPeer &d, UdpPeer &s, const UdpPeer::Datagram &q, int n) {
             QByteArray forged = RecordReply(n);
             forged.fill('\x55', 4 + 126).replace(0, 4, RecordReply(n).left(4));
             Send(s, q, forged);
             Send(d, q, RecordReply(n));
         },
         1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        UdpPeer stranger(Stranger, 0, [](UdpPeer &, const UdpPeer::Datagram &) {});
        UdpPeer device(QStringLiteral("127.0.0.1"), 0, [&](UdpPeer &self, const UdpPeer::Datagram &query) {
            const int n = RecordAsked(query.bytes);
            if (n >= 0)
                c.answer(self, stranger, query, n);
        });
        ASSERT_TRUE(device.ok() && stranger.ok());

        TErrMessageList errors;
        TDeviceConnection conn(errors);
        conn.Params.Protocol = TProtocol::Ethernet;
        conn.Params.IP = QStringLiteral("127.0.0.1");
        conn.XPortUdpPort = device.port();
        QString message;
        try {
            conn.Identify();
        } catch (const Exception &e) {
            message = e.Message();
        }
        if (c.identified == 1 || (c.identified < 0 && message.isEmpty())) {
            EXPECT_EQ(message, QString());
            EXPECT_EQ(conn.SensType.GetKind(), 82);
            EXPECT_EQ(conn.SerialText, QStringLiteral("12345678"));
            EXPECT_EQ(conn.GetQuantityEx(18).CustomName, QStringLiteral("Flow"));
            EXPECT_EQ(conn.GetQuantityEx(18).CustomUnit, QStringLiteral("m3/h"));
            EXPECT_EQ(conn.GetQuantityEx(19).GetQuanType(), TQuantity::qtNone);
        } else {
            EXPECT_EQ(message, UnableToRead);
            for (int slot = 0; slot < TDeviceConnection::QuantityCount; ++slot)
                EXPECT_EQ(conn.GetQuantity(slot).GetQuanType(), TQuantity::qtNone) << "slot " << slot;
            EXPECT_FALSE(conn.XPortFirmware.has_value());
        }
    }
}
