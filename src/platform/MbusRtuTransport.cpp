// Modbus RTU on a serial port through libmodbus.

#include "platform/ComPorts.h"
#include "platform/MbusLibmodbusTransport.h"
#include "platform/TerminationSignals.h"

#include <QFile>

#include <cerrno>

namespace
{

bool standardBaud(std::int32_t baud)
{
    switch (baud) {
    case 110:
    case 300:
    case 600:
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 115200:
    case 230400:
    case 460800:
    case 500000:
    case 576000:
    case 921600:
    case 1000000:
    case 1152000:
    case 1500000:
    case 2000000:
    case 2500000:
    case 3000000:
    case 3500000:
    case 4000000:
        return true;
    default:
        return false;
    }
}

class TRtuTransport final : public MbusMaster::TLibmodbusTransport
{
public:
    std::int32_t OpenSerial(const QString &device, std::int32_t baudRate, std::int32_t dataBits,
                            std::int32_t stopBits, std::int32_t parity) override
    {
        const char parityChar = parity == 1 ? 'O' : (parity == 2 ? 'E' : 'N');
        const QByteArray native = QFile::encodeName(device);
        // libmodbus only knows the Bxxx rates; others are set once the port is open.
        ctx = modbus_new_rtu(native.constData(), standardBaud(baudRate) ? baudRate : 9600, parityChar,
                             dataBits, stopBits);
        if (!ctx)
            return MBUS_ILLEGAL_ARGUMENT;
        ApplyTimeout();
        modbus_set_error_recovery(ctx, MODBUS_ERROR_RECOVERY_NONE);
        if (modbus_connect(ctx) != 0) {
            const int err = errno;
            Close();
            OpenErrno = err;
            return MbusMaster::OpenErrorFromErrno(err);
        }
        const int fd = modbus_get_socket(ctx);
        WatchForTermination(fd);
        if (!ComPorts::LockOpenPort(fd, device)) {
            Close();
            return MBUS_PORT_ALREADY_OPEN;
        }
        if (!standardBaud(baudRate) && !ComPorts::SetBaudRate(fd, baudRate)) {
            Close();
            return MBUS_ILLEGAL_ARGUMENT;
        }
        modbus_flush(ctx);
        if (Platform::TerminationRequested())
            return AbortedExchange();
        Open = true;
        return MBUS_OK;
    }
};

} // namespace

std::unique_ptr<MbusMaster::TTransport> MbusMaster::CreateRtuTransport()
{
    return std::make_unique<TRtuTransport>();
}
