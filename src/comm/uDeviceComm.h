#pragma once

// The UDP channel to an XPort device-server module: its configuration service
// answers small binary queries, among them the one that reads a configuration
// record. Requests and replies travel through this class as hexadecimal text.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

// A plain blocking UDP client on one socket, bound to an ephemeral port.
// Socket failures raise Exception with the system's error text.
class TUdpClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxDatagram = 8192;

    explicit TUdpClient(QObject *owner = nullptr);
    ~TUdpClient() override;

    // Binds to a local IPv4 address (empty: any address) and port (0: any
    // free one). Without a call the first send binds to any address.
    void Bind(const QString &localAddress = {}, std::uint16_t localPort = 0);
    // Sends one datagram to Host:Port.
    void SendBuffer(const QByteArray &datagram);
    // Sends one datagram to the limited broadcast address on a port.
    void Broadcast(const QByteArray &datagram, std::uint16_t port);
    // Waits at most timeoutMs for one datagram; empty when none came.
    QByteArray ReceiveBuffer(int timeoutMs, QString *peerAddress = nullptr,
                             std::uint16_t *peerPort = nullptr);
    // Discards datagrams already waiting (late answers to earlier queries).
    void DiscardPending();
    // Waits at most timeoutMs for a datagram to be waiting, without taking it.
    bool DatagramWaiting(int timeoutMs);

    QString Host;
    std::uint16_t Port = 0;

private:
    void ensureSocket();
    void sendTo(const QByteArray &datagram, std::uint32_t addressHostOrder, std::uint16_t port);

    int m_fd = -1;
};

using TXPortRecord = std::array<std::uint8_t, 126>;

class TXPort : public TUdpClient
{
    Q_OBJECT
public:
    static constexpr std::uint16_t DefaultPort = 30718;

    explicit TXPort(QObject *owner = nullptr);

    // Sends Request; unless the pattern is empty, receives one datagram into
    // Reply and checks it: same length, every character equal to the pattern's
    // or the pattern has a lower-case 'd' (wildcard) there.
    void Exchange(const QString &pattern);
    void ReadRecord(std::uint8_t n, TXPortRecord &record);

    // The reply checks and the record decoding, apart from the socket so that
    // they can be fed any datagram. CheckReply raises the "no response" error for
    // an empty reply and the "invalid reply" error for one that does not match.
    static void CheckReply(const QString &reply, const QString &pattern);
    static QString RecordReplyPattern(std::uint8_t n);
    // Checks a record reply (hexadecimal text) against record n's pattern and
    // copies its data into record; record 0 ends in six bytes 0xFF.
    static void DecodeRecordReply(std::uint8_t n, const QString &reply, TXPortRecord &record);

    static QString BytesToHex(const QByteArray &bytes);
    static QByteArray HexToBytes(const QString &text);

    int ReceiveTimeout = 3000;
    QString Request;
    QString Reply;

    // The wait for the device's answer ends at its time-out however many datagrams
    // others send meanwhile; this only guards against a clock that stands still.
    static constexpr int MaxStrayDatagrams = 1 << 20;

private:
    // The first datagram from Host:Port within ReceiveTimeout; empty when none came.
    QByteArray ReceiveReply();
};
