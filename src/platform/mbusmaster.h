#pragma once

// The Modbus master library the communication layer is built on: protocol
// instances for Modbus RTU and ASCII on a serial port and for Modbus/TCP, with
// integer result codes. RTU and TCP run over libmodbus; ASCII framing is done
// on a termios port because libmodbus has none (one file a transport, see
// MbusTransport.h).
//
// Every function takes the instance handle first and returns 0 on success or
// one of the result codes below. All calls come from one thread.

#include <cstdint>
#include <string>

extern "C" {

struct MbusMasterInstance;
using MbusHandle = MbusMasterInstance *;

enum MbusResult : std::int32_t {
    MBUS_OK = 0,
    MBUS_ILLEGAL_ARGUMENT = 1,
    MBUS_ILLEGAL_STATE = 2,
    MBUS_IO_ERROR_CLASS = 64,
    MBUS_IO_ERROR = 65,
    MBUS_OPEN_ERR = 66,
    MBUS_PORT_ALREADY_OPEN = 67,
    MBUS_TCPIP_CONNECT_ERR = 68,
    MBUS_CONNECTION_WAS_CLOSED = 69,
    MBUS_SOCKET_LIB_ERROR = 70,
    MBUS_PORT_ALREADY_BOUND = 71,
    MBUS_LISTEN_FAILED = 72,
    MBUS_FILEDES_EXCEEDED = 73,
    MBUS_PORT_NO_ACCESS = 74,
    MBUS_PORT_NOT_AVAIL = 75,
    MBUS_BUS_PROTOCOL_ERROR_CLASS = 128,
    MBUS_CHECKSUM_ERROR = 129,
    MBUS_INVALID_FRAME_ERROR = 130,
    MBUS_INVALID_REPLY_ERROR = 131,
    MBUS_REPLY_TIMEOUT_ERROR = 132,
    MBUS_RESPONSE_EXCEPTION = 160,
    MBUS_ILLEGAL_FUNCTION_RESPONSE = 161,
    MBUS_ILLEGAL_ADDRESS_RESPONSE = 162,
    MBUS_ILLEGAL_VALUE_RESPONSE = 163,
    MBUS_SLAVE_FAILURE_RESPONSE = 164,
};

// Creation returns nullptr when no instance can be made.
MbusHandle mbusMaster_createRtuProtocol();
MbusHandle mbusMaster_createAsciiProtocol();
MbusHandle mbusMaster_createTcpProtocol();
std::int32_t mbusMaster_destroyProtocol(MbusHandle handle);

// portName: "\\.\COMn", "COMn" (resolved through the COM numbering) or a
// device path beginning with "/". parity: 0 none, 1 odd, 2 even.
std::int32_t mbusMaster_openSerialProtocol(MbusHandle handle, const char *portName, std::int32_t baudRate,
                                           std::int32_t dataBits, std::int32_t stopBits, std::int32_t parity);
// host: dotted IPv4 address; the TCP port is the one set by mbusMaster_setTcpPort.
std::int32_t mbusMaster_openTcpProtocol(MbusHandle handle, const char *host);
std::int32_t mbusMaster_setTcpPort(MbusHandle handle, std::int32_t port);
std::int32_t mbusMaster_getTcpPort(MbusHandle handle);
std::int32_t mbusMaster_closeProtocol(MbusHandle handle);
// 1 when open. An instance that met a connection-level failure (peer closed,
// reset, reply time-out on TCP, a TCP stream left out of step by a garbled
// reply, serial device gone) reports 0, so the caller's
// next open reconnects.
std::int32_t mbusMaster_isOpen(MbusHandle handle);
// The errno of the last failed open (ECONNREFUSED, ETIMEDOUT, EACCES, ENOENT ...), 0 when the
// last open did not fail on a system call.
std::int32_t mbusMaster_getLastOpenErrno(MbusHandle handle);

std::int32_t mbusMaster_setTimeout(MbusHandle handle, std::int32_t ms);
std::int32_t mbusMaster_getTimeout(MbusHandle handle);
std::int32_t mbusMaster_setPollDelay(MbusHandle handle, std::int32_t ms);
std::int32_t mbusMaster_getPollDelay(MbusHandle handle);
std::int32_t mbusMaster_setRetryCnt(MbusHandle handle, std::int32_t count);
std::int32_t mbusMaster_getRetryCnt(MbusHandle handle);

// Read Holding Registers (function 03). startRef counts from 1: the request
// carries startRef - 1. On Modbus/TCP the slave address is the unit identifier.
std::int32_t mbusMaster_readMultipleRegisters(MbusHandle handle, std::int32_t slaveAddr,
                                              std::int32_t startRef, std::uint16_t *regArr,
                                              std::int32_t refCnt);
}

namespace MbusMaster
{

// The result code of a failed libmodbus request, from the errno it left behind.
// Its own function so every mapping can be checked, also those of failures that
// are hard to cause on demand.
std::int32_t ResultOfModbusErrno(int err);

// The Modbus ASCII reply framing, apart from the port so that any byte stream can
// be fed to it. Feed collects one frame: a ':' starts it (and restarts it, as the
// framing allows), LF ends it; it returns MBUS_OK when a frame is complete (its
// text, without the ':', stays in Frame), MBUS_INVALID_FRAME_ERROR when the frame
// grew longer than any reply can be, and MBUS_REPLY_TIMEOUT_ERROR while it needs more.
struct TAsciiFrameCollector {
    std::int32_t Feed(const char *data, long count);
    bool InFrame = false;
    std::string Frame;
};

// A collected reply frame ("…CR LF") to Read Holding Registers of count registers
// from slave: the registers on MBUS_OK, otherwise the result code of the fault.
std::int32_t DecodeAsciiReply(const std::string &frame, int slave, std::uint16_t *regs, int count);

} // namespace MbusMaster
