#include "comm/BusProtocolExceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <type_traits>
#include <typeinfo>

namespace
{

struct CodeCase {
    int code;
    const std::type_info &type;
    const char *message;
};

const CodeCase kCodes[] = {
    {1, typeid(ERangeError), "Illegal argument error"},
    {2, typeid(EInvalidOperation), "Illegal state error"},
    {64, typeid(EInOutError), "I/O error class"},
    {65, typeid(EInOutError), "I/O error"},
    {66, typeid(EOpenErr), "Port or socket open error"},
    {67, typeid(EPortAlreadyOpen), "Serial port already open"},
    {68, typeid(ETcpipConnectErr), "TCP/IP connection error"},
    {69, typeid(EConnectionWasClosed), "TCP/IP connection was closed by remote peer"},
    {70, typeid(ESocketLibError), "Socket library error"},
    {71, typeid(EPortAlreadyBound), "TCP Port alread bound"},
    {72, typeid(EListenFailed), "Listen failed"},
    {73, typeid(EFiledesExceeded), "File descriptors exceeded"},
    {74, typeid(EPortNoAccess), "No permission to access serial or TCP port"},
    {75, typeid(EPortNotAvail), "TCP Port not available"},
    {128, typeid(EBusProtocolException), "Fieldbus protocol error class"},
    {129, typeid(EChecksumException), "Checksum error"},
    {130, typeid(EInvalidFrameException), "Invalid frame error"},
    {131, typeid(EInvalidReplyException), "Invalid reply error"},
    {132, typeid(EReplyTimeoutException), "Reply time-out"},
    {160, typeid(EMbusResponseException), "Modbus exception response"},
    {161, typeid(EMbusIllegalFunctionException), "Illegal Function exception response"},
    {162, typeid(EMbusIllegalAddressException), "Illegal Data Address exception response"},
    {163, typeid(EMbusIllegalValueException), "Illegal Data Value exception response"},
    {164, typeid(EMbusSlaveFailureException), "Slave Device Failure exception response"},
    // Codes outside the table, including neighbours of real ones.
    {3, typeid(EExternalException), "Unknown error"},
    {76, typeid(EExternalException), "Unknown error"},
    {133, typeid(EExternalException), "Unknown error"},
    {165, typeid(EExternalException), "Unknown error"},
    {-1, typeid(EExternalException), "Unknown error"},
};

} // namespace

TEST(BusProtocolExceptions, EveryResultCodeRaisesItsClassAndMessage)
{
    for (const CodeCase &c : kCodes) {
        SCOPED_TRACE(c.code);
        try {
            RaiseMbusError(c.code);
            ADD_FAILURE() << "nothing raised";
        } catch (const Exception &e) {
            EXPECT_EQ(typeid(e), c.type) << typeid(e).name();
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
        }
    }
}

TEST(BusProtocolExceptions, SuccessRaisesNothing)
{
    EXPECT_NO_THROW(RaiseMbusError(0));
}

TEST(BusProtocolExceptions, ClassTreeLetsCallersCatchByFamily)
{
    static_assert(std::is_base_of_v<EInOutError, EOpenErr>);
    static_assert(std::is_base_of_v<EInOutError, EPortNotAvail>);
    static_assert(std::is_base_of_v<EInOutError, EBusProtocolException>);
    static_assert(std::is_base_of_v<EBusProtocolException, EReplyTimeoutException>);
    static_assert(std::is_base_of_v<EBusProtocolException, EMbusResponseException>);
    static_assert(std::is_base_of_v<EMbusResponseException, EMbusSlaveFailureException>);
    static_assert(std::is_base_of_v<Exception, EExternalException>);
    static_assert(!std::is_base_of_v<EInOutError, EExternalException>);
    EXPECT_THROW(RaiseMbusError(163), EMbusResponseException);
    EXPECT_THROW(RaiseMbusError(129), EBusProtocolException);
    EXPECT_THROW(RaiseMbusError(68), EInOutError);
}
