// Modbus/TCP through libmodbus.

#include "platform/MbusLibmodbusTransport.h"
#include "platform/TerminationSignals.h"

#include <cerrno>

namespace
{

class TTcpTransport final : public MbusMaster::TLibmodbusTransport
{
public:
    std::int32_t OpenTcp(const std::string &host, std::int32_t port) override
    {
        tcpHost = host;
        tcpPort = port;
        return connectTcp();
    }

    std::int32_t Reconnect() override { return connectTcp(); }
    bool IsTcp() const override { return true; }

private:
    std::int32_t connectTcp()
    {
        ctx = modbus_new_tcp(tcpHost.c_str(), tcpPort);
        if (!ctx)
            return errno == EINVAL ? MBUS_ILLEGAL_ARGUMENT : MBUS_SOCKET_LIB_ERROR;
        // libmodbus bounds its non-blocking connect by the response time-out.
        ApplyTimeout();
        modbus_set_error_recovery(ctx, MODBUS_ERROR_RECOVERY_NONE);
        if (modbus_connect(ctx) != 0) {
            const int err = errno;
            Close();
            OpenErrno = err;
            return err == EMFILE || err == ENFILE ? MBUS_FILEDES_EXCEEDED : MBUS_TCPIP_CONNECT_ERR;
        }
        WatchForTermination(modbus_get_socket(ctx));
        if (Platform::TerminationRequested())
            return AbortedExchange();
        Open = true;
        return MBUS_OK;
    }

    std::string tcpHost; // kept for reconnecting after a TCP time-out
    std::int32_t tcpPort = 502;
};

} // namespace

std::unique_ptr<MbusMaster::TTransport> MbusMaster::CreateTcpTransport()
{
    return std::make_unique<TTcpTransport>();
}
