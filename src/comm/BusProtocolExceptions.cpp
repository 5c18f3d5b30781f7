#include "comm/BusProtocolExceptions.h"

namespace
{

template <class E> [[noreturn]] void raise(const char *message)
{
    throw E(QString::fromLatin1(message));
}

} // namespace

void RaiseMbusError(std::int32_t resultCode)
{
    switch (resultCode) {
    case 0:
        return;
    case 1:
        raise<ERangeError>("Illegal argument error");
    case 2:
        raise<EInvalidOperation>("Illegal state error");
    case 64:
        raise<EInOutError>("I/O error class");
    case 65:
        raise<EInOutError>("I/O error");
    case 66:
        raise<EOpenErr>("Port or socket open error");
    case 67:
        raise<EPortAlreadyOpen>("Serial port already open");
    case 68:
        raise<ETcpipConnectErr>("TCP/IP connection error");
    case 69:
        raise<EConnectionWasClosed>("TCP/IP connection was closed by remote peer");
    case 70:
        raise<ESocketLibError>("Socket library error");
    case 71:
        raise<EPortAlreadyBound>("TCP Port alread bound");
    case 72:
        raise<EListenFailed>("Listen failed");
    case 73:
        raise<EFiledesExceeded>("File descriptors exceeded");
    case 74:
        raise<EPortNoAccess>("No permission to access serial or TCP port");
    case 75:
        raise<EPortNotAvail>("TCP Port not available");
    case 128:
        raise<EBusProtocolException>("Fieldbus protocol error class");
    case 129:
        raise<EChecksumException>("Checksum error");
    case 130:
        raise<EInvalidFrameException>("Invalid frame error");
    case 131:
        raise<EInvalidReplyException>("Invalid reply error");
    case 132:
        raise<EReplyTimeoutException>("Reply time-out");
    case 160:
        raise<EMbusResponseException>("Modbus exception response");
    case 161:
        raise<EMbusIllegalFunctionException>("Illegal Function exception response");
    case 162:
        raise<EMbusIllegalAddressException>("Illegal Data Address exception response");
    case 163:
        raise<EMbusIllegalValueException>("Illegal Data Value exception response");
    case 164:
        raise<EMbusSlaveFailureException>("Slave Device Failure exception response");
    default:
        raise<EExternalException>("Unknown error");
    }
}
