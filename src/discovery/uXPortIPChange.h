#pragma once

// Gives a device with an XPort module a new IPv4 address, naming the device by its
// MAC address: an IP-SETUP broadcast, or (temporarily) a static neighbour entry
// followed by a TCP connection attempt that reaches the device through it.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <cstdint>

// Replacement texts for the six messages, in this order; empty ones change nothing.
struct TXPortIPChangeMsgLngSupport {
    QString ArpDone;
    QString RequestSent;
    QString ChangeError;
    QString IpSyntax;
    QString IpExists;
    QString MacSyntax;
};

class TXPortIPChange
{
    Q_DECLARE_TR_FUNCTIONS(TXPortIPChange)

public:
    enum TResult { ArpDone = 0, Failed = 1, RequestSent = 2 };

    static constexpr std::uint32_t PingTimeoutMs = 500;
    static constexpr int PingTries = 3;

    TXPortIPChange();

    void SetMessages(const TXPortIPChangeMsgLngSupport &texts);

    // Checks the MAC text, refuses an address that answers a ping, then changes the
    // address by the chosen method. Never raises: every outcome is a code (TResult)
    // and a message. localAddress: the adapter address the device was found through.
    bool ChangeIP(const QString &mac, const QString &newAddress, int &code, QString &message,
                  const QString &localAddress = {});
    // Writes the neighbour entry on the adapter that reaches the new address (the one
    // holding localAddress when none does), then tries a TCP connection to its port 1.
    int ChangeByArp(const QString &mac, const QString &newAddress, QString &message,
                    const QString &localAddress = {});
    int ChangeByBroadcast(const QString &mac, const QString &newAddress, QString &message,
                          const QString &localAddress = {});

    // The fifth and sixth pair of a six-pair MAC text, upper case ("3D4E"); "0000"
    // for any other text.
    static QString MacTail(const QString &mac);
    // The 20-byte IP-SETUP datagram. Raises Exception for a text that cannot be coded.
    static QByteArray SetupDatagram(const QString &mac, const QString &newAddress);
    // The adapter (interface name) for the neighbour entry; empty when none fits.
    static QString ArpInterface(const QString &newAddress, const QString &localAddress);

    bool ArpMode = false;
    bool AllAdapters = false;
    QString MsgArpDone;
    QString MsgRequestSent;
    QString MsgChangeError;
    QString MsgIpSyntax;
    QString MsgIpExists;
    QString MsgMacSyntax;

    // The UDP port of the devices' configuration service (another one only in tests).
    std::uint16_t Port = 30718;
    // How long the connection attempt of the ARP method waits for an answer.
    int ConnectTimeoutMs = 3000;
    // The program that writes the neighbour entry (searched on PATH).
    QString IpProgram = QStringLiteral("ip");

private:
    void BroadcastFrom(const QString &localAddress, const QByteArray &datagram) const;
    bool WriteNeighbourEntry(const QString &mac, const QString &newAddress, const QString &interface) const;
    void TryConnection(const QString &newAddress) const;
};
