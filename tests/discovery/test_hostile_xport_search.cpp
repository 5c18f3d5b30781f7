// The search against devices that answer badly on purpose, scripted in a network
// namespace of the test's own: cut and overlong replies, repeated replies, and an
// info reply sent by a host that was not asked. Each ends in the search result the
// rules give: "N/A" fields for replies of the wrong length, one record per device,
// and no field taken from a host that was not asked.
#include "discovery/uXPortSearch.h"

#include "HostilePeer.h"
#include "support_xport_net.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using HostilePeer::UdpPeer;

namespace
{

const QString DeviceA = QStringLiteral("10.61.0.50");
const QString DeviceB = QStringLiteral("10.61.0.51");
const QString NA = QStringLiteral("N/A");

QByteArray DiscoveryReply(std::uint8_t lastMacByte, int length = TXportSearch::DiscoveryReplyLength)
{
    QByteArray reply(length, '\0');
    reply[3] = '\xF7';
    const QByteArray mac("\x00\x20\x4A\x61\x00", 5);
    for (int i = 0; i < 5 && length - 6 + i >= 0; ++i)
        reply[length - 6 + i] = mac[i];
    reply[length - 1] = static_cast<char>(lastMacByte);
    return reply;
}

// An info reply of a family-2 device with firmware 2-<minor>-0.00 and a description
// (a minor of 6 or more has the full info: no description query follows).
QByteArray InfoReply(int minor, const QByteArray &description, int length = TXportSearch::InfoReplyLength)
{
    QByteArray reply(TXportSearch::InfoReplyLength, '\0');
    reply[3] = '\xE5';
    reply.replace(4, description.size(), description);
    reply[82] = 2;
    reply[83] = static_cast<char>(minor);
    if (length < reply.size())
        reply.truncate(length);
    else
        reply.append(QByteArray(length - reply.size(), '\0'));
    return reply;
}

// The devices' side: one socket on the configuration port that hears the broadcast
// and every query, and one socket per device address its answers leave from.
struct Field {
    std::unique_ptr<UdpPeer> a, b, port;
    std::atomic<int> infoQueries{0};
};

using Script = std::function<void(Field &field, const UdpPeer::Datagram &query)>;

} // namespace

class HostileXportSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_NAMESPACES();
        ASSERT_TRUE(net.ok()) << net.error().toStdString();
        for (const QString &address : {DeviceA, DeviceB})
            ASSERT_TRUE(
                net.field.ip({QStringLiteral("addr"), QStringLiteral("add"), address + QStringLiteral("/24"),
                              QStringLiteral("dev"), QStringLiteral("f0")}));
    }

    // Runs one search through adapter a0 while the script answers.
    TXportSearch &Search(const Script &script)
    {
        field.port.reset(); // frees the configuration port for the next one
        field.infoQueries = 0;
        net.field.inside([&] {
            const auto none = [](UdpPeer &, const UdpPeer::Datagram &) {};
            field.a = std::make_unique<UdpPeer>(DeviceA, 0, none);
            field.b = std::make_unique<UdpPeer>(DeviceB, 0, none);
            field.port = std::make_unique<UdpPeer>(QStringLiteral("0.0.0.0"), 30718,
                                                   [&](UdpPeer &, const UdpPeer::Datagram &query) {
                                                       if (query.bytes == QByteArray("\x00\x00\x00\xE4", 4))
                                                           ++field.infoQueries;
                                                       script(field, query);
                                                   });
        });
        EXPECT_TRUE(field.a->ok() && field.b->ok() && field.port->ok());
        net.pc.inside([&] { search.SearchOnAdapter(QString::fromLatin1(XPortNet::Adapter0)); });
        return search;
    }

    static bool Is(const UdpPeer::Datagram &query, char code)
    {
        return query.bytes == QByteArray("\x00\x00\x00", 3) + code;
    }
    static void Answer(UdpPeer &from, const UdpPeer::Datagram &query, const QByteArray &bytes)
    {
        from.Send(bytes, query.from, query.fromPort);
    }

    XPortNet net;
    Field field;
    TXportSearch search;
};

TEST_F(HostileXportSearch, DiscoveryRepliesOfTheWrongLengthGiveOneRecordWithoutMac)
{
    Search([](Field &f, const UdpPeer::Datagram &q) {
        if (Is(q, '\xF6')) {
            Answer(*f.a, q, DiscoveryReply(0x0A, 29));
            Answer(*f.b, q, DiscoveryReply(0x0B, 31));
        }
    });
    ASSERT_EQ(search.Count(), 1) << "the second reply without a MAC counts as a duplicate of the first";
    EXPECT_EQ(search.Item(0).IP, DeviceA);
    EXPECT_EQ(search.Item(0).MAC, NA);
    EXPECT_EQ(search.Item(0).Firmware, NA);
}

TEST_F(HostileXportSearch, RepeatedDiscoveryRepliesListTheDeviceOnceAndQueryItOnce)
{
    Search([](Field &f, const UdpPeer::Datagram &q) {
        if (Is(q, '\xF6')) {
            for (int i = 0; i < 3; ++i)
                Answer(*f.a, q, DiscoveryReply(0x0A));
        } else if (Is(q, '\xE4')) {
            Answer(*f.a, q, InfoReply(6, "only once"));
        }
    });
    ASSERT_EQ(search.Count(), 1);
    EXPECT_EQ(search.Item(0).MAC, QStringLiteral("00-20-4A-61-00-0A"));
    EXPECT_EQ(search.Item(0).Firmware, QStringLiteral("2-6-0.00"));
    EXPECT_EQ(search.Item(0).Description, QStringLiteral("only once"));
    EXPECT_EQ(field.infoQueries.load(), 1);
}

TEST_F(HostileXportSearch, InfoReplyFromAHostNotAskedIsNotTaken)
{
    Search([](Field &f, const UdpPeer::Datagram &q) {
        if (Is(q, '\xF6'))
            Answer(*f.a, q, DiscoveryReply(0x0A));
        else if (Is(q, '\xE4'))
            Answer(*f.b, q, InfoReply(7, "forged")); // the asked device stays silent
    });
    ASSERT_EQ(search.Count(), 1) << "a host that only answered a query is no device found";
    const TXportPar &r = search.Item(0);
    EXPECT_EQ(r.IP, DeviceA);
    EXPECT_EQ(r.Firmware, NA);
    EXPECT_EQ(r.DeviceType, NA);
    EXPECT_TRUE(r.Description.isEmpty());
}

TEST_F(HostileXportSearch, InfoRepliesOfTheWrongLengthLeaveTheFieldsEmpty)
{
    for (const int length : {129, 131, 0}) {
        SCOPED_TRACE(length);
        search = TXportSearch();
        Search([length](Field &f, const UdpPeer::Datagram &q) {
            if (Is(q, '\xF6'))
                Answer(*f.a, q, DiscoveryReply(0x0A));
            else if (Is(q, '\xE4'))
                Answer(*f.a, q, InfoReply(6, "cut", length));
        });
        ASSERT_EQ(search.Count(), 1);
        EXPECT_EQ(search.Item(0).Firmware, NA);
        EXPECT_EQ(search.Item(0).DeviceType, NA);
        EXPECT_TRUE(search.Item(0).Description.isEmpty());
        EXPECT_TRUE(search.Item(0).VariantChar.isEmpty());
    }
}

TEST_F(HostileXportSearch, ARepeatedInfoReplyIsNotTakenForTheNextDevice)
{
    Search([](Field &f, const UdpPeer::Datagram &q) {
        if (Is(q, '\xF6')) {
            Answer(*f.a, q, DiscoveryReply(0x0A));
            Answer(*f.b, q, DiscoveryReply(0x0B));
        } else if (Is(q, '\xE4') && f.infoQueries == 1) {
            Answer(*f.a, q, InfoReply(6, "first"));
            Answer(*f.a, q, InfoReply(6, "first"));
        } else if (Is(q, '\xE4')) {
            Answer(*f.b, q, InfoReply(7, "second"));
        }
    });
    ASSERT_EQ(search.Count(), 2);
    EXPECT_EQ(search.Item(0).IP, DeviceA);
    EXPECT_EQ(search.Item(0).Description, QStringLiteral("first"));
    EXPECT_EQ(search.Item(1).IP, DeviceB);
    EXPECT_EQ(search.Item(1).Firmware, QStringLiteral("2-7-0.00"));
    EXPECT_EQ(search.Item(1).Description, QStringLiteral("second"));
}
