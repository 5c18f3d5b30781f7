#include "platform/MbusLibmodbusTransport.h"

#include "platform/TerminationSignals.h"

#include <cerrno>

namespace MbusMaster
{

void TLibmodbusTransport::Close()
{
    StopWatching();
    if (ctx) {
        modbus_close(ctx);
        modbus_free(ctx);
        ctx = nullptr;
    }
    Open = false;
}

void TLibmodbusTransport::ApplyTimeout()
{
    if (ctx) {
        modbus_set_response_timeout(ctx, static_cast<uint32_t>(TimeoutMs / 1000),
                                    static_cast<uint32_t>((TimeoutMs % 1000) * 1000));
    }
}

void TLibmodbusTransport::DropPendingInput()
{
    if (ctx)
        modbus_flush(ctx);
}

std::int32_t TLibmodbusTransport::ReadRegisters(int slave, int startAddr, std::uint16_t *regs, int count)
{
    if (modbus_set_slave(ctx, slave) != 0)
        return MBUS_ILLEGAL_ARGUMENT;
    // A reply that came after its request timed out still lies in the line
    // buffer and, being as long as the next one, would be taken for it. On TCP
    // the rest of a garbled or overlong answer would likewise spoil every later
    // reply on the connection.
    modbus_flush(ctx);
    const int rc = modbus_read_registers(ctx, startAddr, count, regs);
    if (rc == count)
        return MBUS_OK;
    // The descriptor may already be the end-of-file stand-in: whatever libmodbus made of it,
    // the exchange was cut short and the link is gone.
    if (Platform::TerminationRequested())
        return AbortedExchange();
    if (rc >= 0)
        return MBUS_INVALID_REPLY_ERROR;
    const int err = errno;
    const std::int32_t result = ResultOfModbusErrno(err);
    if (LinkLost(err))
        Close();
    // Bytes still waiting behind a bad reply on TCP mean the stream is out of step
    // (garbage, a flood, a frame longer than it said): no later reply on this
    // connection could be trusted, so the next open starts a fresh one.
    else if (result == MBUS_INVALID_REPLY_ERROR && IsTcp() && modbus_flush(ctx) > 0)
        Close();
    return result;
}

std::int32_t ResultOfModbusErrno(int err)
{
    if (err == ETIMEDOUT)
        return MBUS_REPLY_TIMEOUT_ERROR;
    if (err == EMBBADCRC)
        return MBUS_CHECKSUM_ERROR;
    // libmodbus reports exception code k as MODBUS_ENOBASE + k, so a device's
    // exception code 0 arrives as MODBUS_ENOBASE itself.
    if (err >= MODBUS_ENOBASE && err < MODBUS_ENOBASE + MODBUS_EXCEPTION_MAX) {
        const int code = err - MODBUS_ENOBASE;
        return code >= 1 && code <= 4 ? MBUS_RESPONSE_EXCEPTION + code : MBUS_RESPONSE_EXCEPTION;
    }
    if (err == EMBBADEXC || err == EMBUNKEXC)
        return MBUS_RESPONSE_EXCEPTION;
    if (err == EMBBADDATA || err == EMBMDATA || err == EMBBADSLAVE)
        return MBUS_INVALID_REPLY_ERROR;
    if (err == EINVAL)
        return MBUS_ILLEGAL_ARGUMENT;
    // The peer did not close anything when the way to it is gone: that is a
    // connection that cannot be made, as when connecting.
    if (err == EHOSTUNREACH || err == ENETUNREACH)
        return MBUS_TCPIP_CONNECT_ERR;
    if (err == ECONNRESET || err == EPIPE || err == ENOTCONN || err == ECONNABORTED || err == ESHUTDOWN)
        return MBUS_CONNECTION_WAS_CLOSED;
    return MBUS_IO_ERROR;
}

} // namespace MbusMaster
