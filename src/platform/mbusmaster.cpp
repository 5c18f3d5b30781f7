// The C interface of the Modbus master: argument checks, the settings every transport shares,
// the poll delay and the retries. The transports themselves live one a file (MbusTransport.h).

#include "platform/mbusmaster.h"

#include "platform/ComPorts.h"
#include "platform/MbusTransport.h"
#include "platform/TerminationSignals.h"

#include <QString>

#include <arpa/inet.h>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

using Clock = std::chrono::steady_clock;

struct MbusMasterInstance {
    explicit MbusMasterInstance(std::unique_ptr<MbusMaster::TTransport> t) : transport(std::move(t))
    {
        transport->SetTimeout(timeoutMs);
    }

    std::unique_ptr<MbusMaster::TTransport> transport;
    std::int32_t timeoutMs = 1000;
    std::int32_t pollDelayMs = 0;
    std::int32_t retryCnt = 0;
    std::int32_t tcpPort = 502;
    bool transactionDone = false;
    Clock::time_point lastTransactionEnd;
};

namespace
{

constexpr std::int32_t MaxTimeoutMs = 100000;
constexpr std::int32_t MaxRetryCnt = 100;
constexpr std::int32_t MaxRegisters = 125; // what one function-03 reply can carry

MbusMasterInstance *create(std::unique_ptr<MbusMaster::TTransport> transport)
{
    // The handle crosses a C-style interface; ownership goes to the caller's
    // destroyProtocol.
    return std::make_unique<MbusMasterInstance>(std::move(transport)).release();
}

void waitPollDelay(MbusMasterInstance *h)
{
    if (!h->transactionDone || h->pollDelayMs <= 0)
        return;
    const auto due = h->lastTransactionEnd + std::chrono::milliseconds(h->pollDelayMs);
    const auto now = Clock::now();
    if (now < due)
        std::this_thread::sleep_for(due - now);
}

bool valid(MbusHandle h)
{
    return h != nullptr;
}

} // namespace

extern "C" {

MbusHandle mbusMaster_createRtuProtocol()
{
    return create(MbusMaster::CreateRtuTransport());
}

MbusHandle mbusMaster_createAsciiProtocol()
{
    return create(MbusMaster::CreateAsciiTransport());
}

MbusHandle mbusMaster_createTcpProtocol()
{
    return create(MbusMaster::CreateTcpTransport());
}

std::int32_t mbusMaster_destroyProtocol(MbusHandle handle)
{
    std::unique_ptr<MbusMasterInstance> owned(handle);
    return MBUS_OK;
}

std::int32_t mbusMaster_openSerialProtocol(MbusHandle h, const char *portName, std::int32_t baudRate,
                                           std::int32_t dataBits, std::int32_t stopBits, std::int32_t parity)
{
    if (!valid(h) || !portName)
        return MBUS_ILLEGAL_ARGUMENT;
    if (h->transport->IsTcp())
        return MBUS_ILLEGAL_STATE;
    if (baudRate <= 0 || dataBits < 5 || dataBits > 8 || (stopBits != 1 && stopBits != 2) || parity < 0 ||
        parity > 2)
        return MBUS_ILLEGAL_ARGUMENT;
    h->transport->Close();
    h->transport->ClearOpenErrno();
    if (Platform::TerminationRequested())
        return MBUS_OPEN_ERR;
    const QString device = ComPorts::ResolvePortName(QString::fromUtf8(portName));
    if (device.isEmpty())
        return MBUS_OPEN_ERR;
    h->transactionDone = false;
    return h->transport->OpenSerial(device, baudRate, dataBits, stopBits, parity);
}

std::int32_t mbusMaster_openTcpProtocol(MbusHandle h, const char *host)
{
    if (!valid(h) || !host)
        return MBUS_ILLEGAL_ARGUMENT;
    if (!h->transport->IsTcp())
        return MBUS_ILLEGAL_STATE;
    in_addr addr{};
    if (inet_pton(AF_INET, host, &addr) != 1)
        return MBUS_ILLEGAL_ARGUMENT;
    h->transport->Close();
    h->transactionDone = false;
    h->transport->ClearOpenErrno();
    if (Platform::TerminationRequested())
        return MBUS_TCPIP_CONNECT_ERR;
    return h->transport->OpenTcp(host, h->tcpPort);
}

std::int32_t mbusMaster_setTcpPort(MbusHandle h, std::int32_t port)
{
    if (!valid(h) || port < 1 || port > 65535)
        return MBUS_ILLEGAL_ARGUMENT;
    if (!h->transport->IsTcp())
        return MBUS_ILLEGAL_STATE;
    h->tcpPort = port;
    return MBUS_OK;
}

std::int32_t mbusMaster_getTcpPort(MbusHandle h)
{
    return valid(h) ? h->tcpPort : 0;
}

std::int32_t mbusMaster_closeProtocol(MbusHandle h)
{
    if (valid(h))
        h->transport->Close();
    return MBUS_OK;
}

std::int32_t mbusMaster_getLastOpenErrno(MbusHandle h)
{
    return valid(h) ? h->transport->LastOpenErrno() : 0;
}

std::int32_t mbusMaster_isOpen(MbusHandle h)
{
    return valid(h) && h->transport->IsOpen() ? 1 : 0;
}

std::int32_t mbusMaster_setTimeout(MbusHandle h, std::int32_t ms)
{
    if (!valid(h) || ms < 1 || ms > MaxTimeoutMs)
        return MBUS_ILLEGAL_ARGUMENT;
    h->timeoutMs = ms;
    h->transport->SetTimeout(ms);
    return MBUS_OK;
}

std::int32_t mbusMaster_getTimeout(MbusHandle h)
{
    return valid(h) ? h->timeoutMs : 0;
}

std::int32_t mbusMaster_setPollDelay(MbusHandle h, std::int32_t ms)
{
    if (!valid(h) || ms < 0 || ms > MaxTimeoutMs)
        return MBUS_ILLEGAL_ARGUMENT;
    h->pollDelayMs = ms;
    return MBUS_OK;
}

std::int32_t mbusMaster_getPollDelay(MbusHandle h)
{
    return valid(h) ? h->pollDelayMs : 0;
}

std::int32_t mbusMaster_setRetryCnt(MbusHandle h, std::int32_t count)
{
    if (!valid(h) || count < 0 || count > MaxRetryCnt)
        return MBUS_ILLEGAL_ARGUMENT;
    h->retryCnt = count;
    return MBUS_OK;
}

std::int32_t mbusMaster_getRetryCnt(MbusHandle h)
{
    return valid(h) ? h->retryCnt : 0;
}

std::int32_t mbusMaster_readMultipleRegisters(MbusHandle h, std::int32_t slaveAddr, std::int32_t startRef,
                                              std::uint16_t *regArr, std::int32_t refCnt)
{
    if (!valid(h) || !regArr || refCnt < 1 || refCnt > MaxRegisters || startRef < 1 ||
        startRef - 1 + refCnt > 0x10000 || slaveAddr < 0 || slaveAddr > 255)
        return MBUS_ILLEGAL_ARGUMENT;
    if (!h->transport->IsOpen())
        return MBUS_ILLEGAL_STATE;
    const int startAddr = startRef - 1;
    std::int32_t rc = MBUS_OK;
    for (int attempt = 0; attempt <= h->retryCnt; ++attempt) {
        if (Platform::TerminationRequested()) {
            h->transport->Close();
            return MBUS_CONNECTION_WAS_CLOSED;
        }
        waitPollDelay(h);
        rc = h->transport->ReadRegisters(slaveAddr, startAddr, regArr, refCnt);
        h->lastTransactionEnd = Clock::now();
        h->transactionDone = true;

        if (rc == MBUS_REPLY_TIMEOUT_ERROR && h->transport->IsTcp()) {
            // A late reply would answer the next request: only a fresh
            // connection is in step with the device again.
            h->transport->Close();
            if (attempt == h->retryCnt || h->transport->Reconnect() != MBUS_OK)
                return MBUS_REPLY_TIMEOUT_ERROR;
            continue;
        }
        if (rc != MBUS_REPLY_TIMEOUT_ERROR && rc != MBUS_CHECKSUM_ERROR)
            break;
        h->transport->DropPendingInput(); // the rest of a garbled or late reply
    }
    return rc;
}

} // extern "C"
