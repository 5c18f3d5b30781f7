#pragma once

// What the libmodbus transports (RTU, TCP) share: the context, its response time-out and the
// Read Holding Registers request with its error mapping.

#include "platform/MbusTransport.h"

#include <modbus.h>

namespace MbusMaster
{

class TLibmodbusTransport : public TTransport
{
public:
    ~TLibmodbusTransport() override { Close(); }

    void Close() override;
    std::int32_t ReadRegisters(int slave, int startAddr, std::uint16_t *regs, int count) override;
    void DropPendingInput() override;

protected:
    void ApplyTimeout() override;

    modbus_t *ctx = nullptr; // while open
};

} // namespace MbusMaster
