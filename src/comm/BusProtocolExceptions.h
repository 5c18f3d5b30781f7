#pragma once

// One exception class per result code of the Modbus master library, each with
// its fixed message. The messages are not translated: callers catch these and
// either retry or tell the user in their own words.

#include "model/uExceptions.h"

#include <cstdint>

// The library could not create a protocol instance.
class EOutOfResources : public Exception
{
public:
    using Exception::Exception;
};

// An operation that the object's state does not allow (library code 2).
class EInvalidOperation : public Exception
{
public:
    using Exception::Exception;
};

// A result code nobody knows.
class EExternalException : public Exception
{
public:
    using Exception::Exception;
};

class EInOutError : public Exception
{
public:
    using Exception::Exception;
};

#define OMBRIX_DECLARE_EXCEPTION(Name, Base)                                                                 \
    class Name : public Base                                                                                 \
    {                                                                                                        \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
    };

OMBRIX_DECLARE_EXCEPTION(EOpenErr, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EPortAlreadyOpen, EInOutError)
OMBRIX_DECLARE_EXCEPTION(ETcpipConnectErr, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EConnectionWasClosed, EInOutError)
OMBRIX_DECLARE_EXCEPTION(ESocketLibError, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EPortAlreadyBound, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EListenFailed, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EFiledesExceeded, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EPortNoAccess, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EPortNotAvail, EInOutError)
OMBRIX_DECLARE_EXCEPTION(EBusProtocolException, EInOutError)

OMBRIX_DECLARE_EXCEPTION(EChecksumException, EBusProtocolException)
OMBRIX_DECLARE_EXCEPTION(EInvalidFrameException, EBusProtocolException)
OMBRIX_DECLARE_EXCEPTION(EInvalidReplyException, EBusProtocolException)
OMBRIX_DECLARE_EXCEPTION(EReplyTimeoutException, EBusProtocolException)
OMBRIX_DECLARE_EXCEPTION(EMbusResponseException, EBusProtocolException)

OMBRIX_DECLARE_EXCEPTION(EMbusIllegalFunctionException, EMbusResponseException)
OMBRIX_DECLARE_EXCEPTION(EMbusIllegalAddressException, EMbusResponseException)
OMBRIX_DECLARE_EXCEPTION(EMbusIllegalValueException, EMbusResponseException)
OMBRIX_DECLARE_EXCEPTION(EMbusSlaveFailureException, EMbusResponseException)

#undef OMBRIX_DECLARE_EXCEPTION

// Raises the exception that belongs to a non-zero result code of the library;
// returns quietly for 0.
void RaiseMbusError(std::int32_t resultCode);
