#pragma once

// One way to a device behind the Modbus master's C interface (mbusmaster.cpp), one file
// a backend: the ASCII framing on a termios port (MbusAsciiTransport.cpp), libmodbus RTU
// (MbusRtuTransport.cpp) and libmodbus TCP (MbusTcpTransport.cpp), the last two sharing the
// libmodbus request (MbusLibmodbusTransport.h). The C interface keeps what all share: the
// argument checks, the poll delay and the retries.

#include "platform/mbusmaster.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

namespace MbusMaster
{

class TTransport
{
public:
    virtual ~TTransport() = default;

    // A serial transport opens the device path; the TCP one answers MBUS_ILLEGAL_STATE.
    virtual std::int32_t OpenSerial(const QString &device, std::int32_t baud, std::int32_t dataBits,
                                    std::int32_t stopBits, std::int32_t parity);
    // The TCP transport connects to a dotted IPv4 address; the serial ones answer MBUS_ILLEGAL_STATE.
    virtual std::int32_t OpenTcp(const std::string &host, std::int32_t port);
    // Connects again to the host of the last OpenTcp: after a reply time-out on TCP a late reply
    // would answer the next request, so only a fresh connection is in step with the device.
    virtual std::int32_t Reconnect() { return MBUS_ILLEGAL_STATE; }
    virtual bool IsTcp() const { return false; }
    virtual void Close() = 0;
    bool IsOpen() const { return Open; }
    // Why the last open failed on a system call (0 when it did not), for messages that say what
    // to fix.
    int LastOpenErrno() const { return OpenErrno; }
    void ClearOpenErrno() { OpenErrno = 0; }

    void SetTimeout(std::int32_t ms);
    // Read Holding Registers; startAddr counts from 0.
    virtual std::int32_t ReadRegisters(int slave, int startAddr, std::uint16_t *regs, int count) = 0;
    // Drops the rest of a garbled or late reply before the next attempt.
    virtual void DropPendingInput() {}

protected:
    virtual void ApplyTimeout() {}
    // A termination signal replaces the descriptor of a registered exchange by one at
    // end-of-file, so a wait in select() or poll() ends at once instead of at the time-out.
    void WatchForTermination(int fd);
    void StopWatching();
    // An exchange cut short by a termination signal: its descriptor may already read
    // end-of-file in place of the device, so the link is gone.
    std::int32_t AbortedExchange();

    std::int32_t TimeoutMs = 1000;
    bool Open = false;
    int OpenErrno = 0;

private:
    int m_watchedFd = -1;
};

std::unique_ptr<TTransport> CreateAsciiTransport();
std::unique_ptr<TTransport> CreateRtuTransport();
std::unique_ptr<TTransport> CreateTcpTransport();

// What the transports share: the result code of a failed open(), and whether an errno means
// the link cannot be trusted any more, so the transport closes itself and the caller's next
// open reconnects.
std::int32_t OpenErrorFromErrno(int err);
bool LinkLost(int err);

} // namespace MbusMaster
