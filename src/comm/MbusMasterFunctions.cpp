#include "comm/MbusMasterFunctions.h"

#include "comm/BusProtocolExceptions.h"

TMbusMasterFunctions::TMbusMasterFunctions(QObject *owner) : QObject(owner) {}

TMbusMasterFunctions::~TMbusMasterFunctions()
{
    if (ProtocolHandle)
        mbusMaster_destroyProtocol(ProtocolHandle);
}

void TMbusMasterFunctions::readMultipleRegisters(int slaveAddr, int startRef, std::span<std::uint16_t> regArr)
{
    RaiseMbusError(mbusMaster_readMultipleRegisters(ProtocolHandle, slaveAddr, startRef, regArr.data(),
                                                    static_cast<std::int32_t>(regArr.size())));
}

void TMbusMasterFunctions::openProtocol()
{
    // The common base knows no transport to open.
    RaiseMbusError(MBUS_ILLEGAL_STATE);
}

void TMbusMasterFunctions::closeProtocol()
{
    mbusMaster_closeProtocol(ProtocolHandle);
}

bool TMbusMasterFunctions::isOpen() const
{
    return mbusMaster_isOpen(ProtocolHandle) == 1;
}

int TMbusMasterFunctions::timeout() const
{
    return mbusMaster_getTimeout(ProtocolHandle);
}

void TMbusMasterFunctions::setTimeout(int ms)
{
    RaiseMbusError(mbusMaster_setTimeout(ProtocolHandle, ms));
}

int TMbusMasterFunctions::pollDelay() const
{
    return mbusMaster_getPollDelay(ProtocolHandle);
}

void TMbusMasterFunctions::setPollDelay(int ms)
{
    RaiseMbusError(mbusMaster_setPollDelay(ProtocolHandle, ms));
}

int TMbusMasterFunctions::retryCnt() const
{
    return mbusMaster_getRetryCnt(ProtocolHandle);
}

void TMbusMasterFunctions::setRetryCnt(int count)
{
    RaiseMbusError(mbusMaster_setRetryCnt(ProtocolHandle, count));
}

void TMbusSerialMasterProtocol::openProtocol()
{
    const QByteArray name = portName.toUtf8();
    RaiseMbusError(mbusMaster_openSerialProtocol(ProtocolHandle, name.constData(), baudRate, dataBits,
                                                 stopBits, parity));
}

TMbusRtuMasterProtocol::TMbusRtuMasterProtocol(QObject *owner) : TMbusSerialMasterProtocol(owner)
{
    ProtocolHandle = mbusMaster_createRtuProtocol();
    if (!ProtocolHandle)
        throw EOutOfResources(QStringLiteral("Call of mbusMaster_createRtuProtocol failed!"));
}

TMbusAsciiMasterProtocol::TMbusAsciiMasterProtocol(QObject *owner) : TMbusSerialMasterProtocol(owner)
{
    ProtocolHandle = mbusMaster_createAsciiProtocol();
    if (!ProtocolHandle)
        throw EOutOfResources(QStringLiteral("Call of mbusMaster_createAsciiProtocol failed!"));
}

TMbusTcpMasterProtocol::TMbusTcpMasterProtocol(QObject *owner) : TMbusMasterFunctions(owner)
{
    ProtocolHandle = mbusMaster_createTcpProtocol();
    if (!ProtocolHandle)
        throw EOutOfResources(QStringLiteral("Call of mbusMaster_createTcpProtocol failed!"));
}

void TMbusTcpMasterProtocol::openProtocol()
{
    const QByteArray host = hostName.toUtf8();
    RaiseMbusError(mbusMaster_openTcpProtocol(ProtocolHandle, host.constData()));
}

int TMbusTcpMasterProtocol::port() const
{
    return mbusMaster_getTcpPort(ProtocolHandle);
}

void TMbusTcpMasterProtocol::setPort(int port)
{
    RaiseMbusError(mbusMaster_setTcpPort(ProtocolHandle, port));
}
