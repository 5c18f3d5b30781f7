#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// Runs the independent clients the simulator is checked against: mbpoll (Modbus/TCP and RTU) and a few
// lines of Python's socket module (the XPort UDP service). Both are bounded by their own time-outs.
namespace ToolClients
{

struct MbpollResult {
    bool ok = false;         // mbpoll exited 0 and printed every value
    QVector<quint16> values; // the registers, in order
    QString output;          // stdout and stderr, for failure messages and error texts
    qint64 elapsedMs = 0;
};

// Reads count holding registers from PDU address `address` over Modbus/TCP on 127.0.0.1:port.
MbpollResult readTcp(quint16 port, int address, int count, int unit = 1, double timeoutS = 1.0);
// The same over RTU on a serial device (8N1).
MbpollResult readRtu(const QString &device, int baud, int slave, int address, int count,
                     double timeoutS = 1.0);
// Reads IEEE floats (mbpoll's default word order: low word first) over TCP.
struct FloatResult {
    bool ok = false;
    QVector<double> values;
    QString output;
};
FloatResult readFloatsTcp(quint16 port, int address, int count);

struct UdpReply {
    bool answered = false;
    QByteArray bytes;
    int ms = 0;
};
// Sends each request (hex text; "send:HEX" sends without waiting) to 127.0.0.1:port from one socket.
QVector<UdpReply> udp(quint16 port, const QStringList &requests, double timeoutS = 0.5);
std::optional<QByteArray> udpOne(quint16 port, const QString &request, double timeoutS = 0.5);

quint16 sum16(const QVector<quint16> &words, int from, int to); // wrapping sum of words[from..to]

} // namespace ToolClients
