// The XPort channel under datagrams nobody asked for: a host other than the
// device floods the client's port while the device stays silent. The exchange
// ends with "no response" within its time-out, never taking a stranger's datagram
// and never waiting on a flood without end.
#include "comm/uDeviceComm.h"

#include "HostilePeer.h"
#include "model/uExceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using HostilePeer::UdpPeer;

namespace
{

struct Outcome {
    QString message;
    TXPortRecord record{};
    std::chrono::steady_clock::duration took{};
};

// Record 4 read while another host floods the client with forged answers; the
// device answers after answerAfterMs, or never when it is negative.
Outcome ReadRecordUnderFlood(int answerAfterMs)
{
    std::atomic<bool> asked{false};
    std::atomic<std::uint16_t> clientPort{0};
    UdpPeer stranger(QStringLiteral("127.0.0.2"), 0, [](UdpPeer &, const UdpPeer::Datagram &) {});
    UdpPeer device(QStringLiteral("127.0.0.1"), 0, [&](UdpPeer &self, const UdpPeer::Datagram &query) {
        clientPort = query.fromPort;
        asked = true;
        if (answerAfterMs < 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(answerAfterMs));
        QByteArray answer(130, '\x02');
        answer.replace(0, 4, QByteArray("\x00\x00\x00\xD4", 4));
        self.Send(answer, query.from, query.fromPort);
    });
    EXPECT_TRUE(stranger.ok() && device.ok());

    // A well-formed record 4 answer, from the wrong host, again and again.
    QByteArray forged(130, '\x01');
    forged.replace(0, 4, QByteArray("\x00\x00\x00\xD4", 4));
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        for (int i = 0; i < 200000 && !stop; ++i) {
            // Paced at a few thousand a second: a flood, yet one that leaves the client's
            // receive queue room for the device's answer on a loaded, sanitized build.
            if (asked)
                stranger.Send(forged, QStringLiteral("127.0.0.1"), clientPort.load());
            if (!asked || i % 4 == 3)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    TXPort x;
    x.Host = QStringLiteral("127.0.0.1");
    x.Port = device.port();
    x.ReceiveTimeout = 1000;
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    try {
        x.ReadRecord(4, outcome.record);
    } catch (const Exception &e) {
        outcome.message = e.Message();
    }
    outcome.took = std::chrono::steady_clock::now() - start;
    stop = true;
    flood.join();
    EXPECT_TRUE(asked.load());
    return outcome;
}

} // namespace

TEST(HostileXPortUdp, FloodFromAnotherHostEndsInNoResponseWithinTheTimeOut)
{
    const Outcome o = ReadRecordUnderFlood(-1);
    EXPECT_EQ(o.message, QStringLiteral("Chyba při komunikaci s XPortem - žádná odezva"));
    EXPECT_EQ(o.record[0], 0) << "nothing of the stranger's datagram was stored";
    // The whole time-out is waited for the device (the flood does not end it early),
    // and not much longer.
    EXPECT_GE(o.took, std::chrono::milliseconds(900));
    EXPECT_LT(o.took, std::chrono::milliseconds(1000 + 8000));
}

TEST(HostileXPortUdp, TheDevicesAnswerIsFoundAmidAFloodFromAnotherHost)
{
    const Outcome o = ReadRecordUnderFlood(300);
    EXPECT_EQ(o.message, QString());
    EXPECT_EQ(o.record[0], 0x02);
    EXPECT_EQ(o.record[125], 0x02);
}
