#pragma once

// Object layer over the Modbus master library: one class per transport and a
// common base. Every non-zero result of the library becomes the exception of
// BusProtocolExceptions.h; after any failure the object stays usable (close,
// change settings, open again).

#include "platform/mbusmaster.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <span>

class TMbusMasterFunctions : public QObject
{
    Q_OBJECT
public:
    explicit TMbusMasterFunctions(QObject *owner = nullptr);
    ~TMbusMasterFunctions() override;
    TMbusMasterFunctions(const TMbusMasterFunctions &) = delete;
    TMbusMasterFunctions &operator=(const TMbusMasterFunctions &) = delete;

    // Function 03: reads as many registers as regArr holds, from the 1-based
    // startRef on.
    virtual void readMultipleRegisters(int slaveAddr, int startRef, std::span<std::uint16_t> regArr);
    virtual void openProtocol();
    virtual void closeProtocol();
    virtual bool isOpen() const;

    virtual int timeout() const;
    virtual void setTimeout(int ms);
    virtual int pollDelay() const;
    virtual void setPollDelay(int ms);
    virtual int retryCnt() const;
    virtual void setRetryCnt(int count);

    MbusHandle ProtocolHandle = nullptr;
};

class TMbusSerialMasterProtocol : public TMbusMasterFunctions
{
    Q_OBJECT
public:
    using TMbusMasterFunctions::TMbusMasterFunctions;

    void openProtocol() override;

    // Read when the port is opened.
    QString portName = QStringLiteral("COM1");
    int baudRate = 9600;
    int dataBits = 8;
    int stopBits = 1;
    int parity = 0; // 0 none, 1 odd, 2 even
};

class TMbusRtuMasterProtocol : public TMbusSerialMasterProtocol
{
    Q_OBJECT
public:
    explicit TMbusRtuMasterProtocol(QObject *owner = nullptr);
};

class TMbusAsciiMasterProtocol : public TMbusSerialMasterProtocol
{
    Q_OBJECT
public:
    explicit TMbusAsciiMasterProtocol(QObject *owner = nullptr);
};

class TMbusTcpMasterProtocol : public TMbusMasterFunctions
{
    Q_OBJECT
public:
    explicit TMbusTcpMasterProtocol(QObject *owner = nullptr);

    void openProtocol() override;
    int port() const;
    void setPort(int port);

    QString hostName = QStringLiteral("127.0.0.1");
};
