#include "platform/mbusmaster.h"

#include "platform/ComPorts.h"
#include "platform/TerminationSignals.h"

#include <QFile>
#include <QString>

#include <modbus.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

struct MbusMasterInstance {
    enum class Kind { Rtu, Ascii, Tcp };
    explicit MbusMasterInstance(Kind k) : kind(k) {}
    ~MbusMasterInstance() { closeTransport(); }

    // A termination signal replaces the descriptor of a registered exchange by one at
    // end-of-file, so a wait in select() ends at once instead of at the time-out.
    void watchForTermination(int fd)
    {
        abortableFd = fd;
        Platform::RegisterAbortableDescriptor(fd);
    }

    void closeTransport()
    {
        if (abortableFd >= 0) {
            Platform::UnregisterAbortableDescriptor(abortableFd);
            abortableFd = -1;
        }
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
            ctx = nullptr;
        }
        if (asciiFd >= 0) {
            ::close(asciiFd);
            asciiFd = -1;
        }
        isOpen = false;
    }

    Kind kind;
    modbus_t *ctx = nullptr; // RTU and TCP while open
    int asciiFd = -1;        // ASCII while open
    int abortableFd = -1;    // registered with the termination signals while open
    bool isOpen = false;
    int lastOpenErrno = 0; // why the last open failed, for messages that say what to fix
    std::string tcpHost;   // kept for reconnecting after a TCP time-out
    std::int32_t timeoutMs = 1000;
    std::int32_t pollDelayMs = 0;
    std::int32_t retryCnt = 0;
    std::int32_t tcpPort = 502;
    bool bigEndianInts = false;
    bool swappedFloats = false;
    bool transactionDone = false;
    Clock::time_point lastTransactionEnd;
};

namespace
{

constexpr std::int32_t MaxTimeoutMs = 100000;
constexpr std::int32_t MaxRetryCnt = 100;
constexpr std::int32_t MaxRegisters = 125; // what one function-03 reply can carry

MbusMasterInstance *create(MbusMasterInstance::Kind kind)
{
    // The handle crosses a C-style interface; ownership goes to the caller's
    // destroyProtocol.
    return std::make_unique<MbusMasterInstance>(kind).release();
}

std::int32_t openErrorFromErrno(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return MBUS_PORT_NO_ACCESS;
    case EBUSY:
        return MBUS_PORT_ALREADY_OPEN;
    case EMFILE:
    case ENFILE:
        return MBUS_FILEDES_EXCEEDED;
    default: // ENOENT, ENODEV, ENXIO, ENOTTY (not a serial port) and the like
        return MBUS_OPEN_ERR;
    }
}

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

void applyResponseTimeout(MbusMasterInstance *h)
{
    if (h->ctx) {
        modbus_set_response_timeout(h->ctx, static_cast<uint32_t>(h->timeoutMs / 1000),
                                    static_cast<uint32_t>((h->timeoutMs % 1000) * 1000));
    }
}

// A failure after which the link cannot be trusted: the instance closes
// itself so the caller's next open reconnects.
bool linkLost(int err)
{
    switch (err) {
    case ECONNRESET:
    case EPIPE:
    case ENOTCONN:
    case ECONNABORTED:
    case EBADF:
    case EIO:
    case ENXIO:
    case ENODEV:
    case ESHUTDOWN:
    case EHOSTUNREACH:
    case ENETUNREACH:
        return true;
    default:
        return false;
    }
}

// An exchange cut short by a termination signal: its descriptor may already read end-of-file
// in place of the device, so the link is gone.
std::int32_t abortedExchange(MbusMasterInstance *h)
{
    h->closeTransport();
    return MBUS_CONNECTION_WAS_CLOSED;
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

// ---- ASCII framing ----------------------------------------------------------

std::int32_t openAsciiPort(MbusMasterInstance *h, const QString &device, std::int32_t baud,
                           std::int32_t dataBits, std::int32_t stopBits, std::int32_t parity)
{
    const QByteArray native = QFile::encodeName(device);
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        h->lastOpenErrno = errno;
        return openErrorFromErrno(h->lastOpenErrno);
    }
    auto fail = [fd](std::int32_t code) {
        ::close(fd);
        return code;
    };
    if (!isatty(fd))
        return fail(MBUS_OPEN_ERR);
    if (!ComPorts::LockOpenPort(fd, device))
        return fail(MBUS_PORT_ALREADY_OPEN);
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return fail(MBUS_OPEN_ERR);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    tio.c_cflag |= dataBits == 7 ? CS7 : (dataBits == 6 ? CS6 : (dataBits == 5 ? CS5 : CS8));
    if (stopBits == 2)
        tio.c_cflag |= CSTOPB;
    if (parity == 1)
        tio.c_cflag |= PARENB | PARODD;
    else if (parity == 2)
        tio.c_cflag |= PARENB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (parity != 0)
        tio.c_iflag |= INPCK;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetspeed(&tio, B9600);
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return fail(MBUS_OPEN_ERR);
    if (!ComPorts::SetBaudRate(fd, baud))
        return fail(MBUS_ILLEGAL_ARGUMENT);
    tcflush(fd, TCIOFLUSH);
    h->asciiFd = fd;
    h->watchForTermination(fd);
    return MBUS_OK;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::uint8_t lrc(const std::uint8_t *data, std::size_t n)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum = static_cast<std::uint8_t>(sum + data[i]);
    return static_cast<std::uint8_t>(-sum);
}

// Marks the link lost and closes the port when the device itself went away.
std::int32_t asciiIoFailure(MbusMasterInstance *h, int err)
{
    if (linkLost(err))
        h->closeTransport();
    return MBUS_IO_ERROR;
}

std::int32_t asciiRead(MbusMasterInstance *h, int slave, int startAddr, std::uint16_t *regs, int count)
{
    const std::uint8_t pdu[] = {
        static_cast<std::uint8_t>(slave),          3,
        static_cast<std::uint8_t>(startAddr >> 8), static_cast<std::uint8_t>(startAddr & 0xFF),
        static_cast<std::uint8_t>(count >> 8),     static_cast<std::uint8_t>(count & 0xFF)};
    static const char digits[] = "0123456789ABCDEF";
    std::string frame = ":";
    auto appendByte = [&frame](std::uint8_t b) {
        frame += digits[b >> 4];
        frame += digits[b & 0x0F];
    };
    for (std::uint8_t b : pdu)
        appendByte(b);
    appendByte(lrc(pdu, sizeof pdu));
    frame += "\r\n";

    const int fd = h->asciiFd;
    tcflush(fd, TCIFLUSH); // drop the tail of an earlier, late reply
    const auto deadline = Clock::now() + std::chrono::milliseconds(h->timeoutMs);
    auto remainingMs = [&deadline]() {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    };

    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::write(fd, frame.data() + sent, frame.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return asciiIoFailure(h, errno);
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, remainingMs()) == 0)
            return MBUS_REPLY_TIMEOUT_ERROR;
    }

    MbusMaster::TAsciiFrameCollector collector;
    for (;;) {
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return asciiIoFailure(h, errno);
        const std::int32_t collected = collector.Feed(buf, n);
        if (collected == MBUS_OK)
            break;
        if (collected != MBUS_REPLY_TIMEOUT_ERROR)
            return collected;
        if (Platform::TerminationRequested())
            return abortedExchange(h);
        const int wait = remainingMs();
        if (wait == 0)
            return MBUS_REPLY_TIMEOUT_ERROR;
        if (n <= 0) {
            pollfd p{fd, POLLIN, 0};
            const int rc = poll(&p, 1, wait);
            if (rc == 0)
                return MBUS_REPLY_TIMEOUT_ERROR;
            if (rc > 0 && (p.revents & (POLLERR | POLLNVAL)) != 0)
                return asciiIoFailure(h, EIO);
            if (rc > 0 && (p.revents & POLLIN) == 0 && (p.revents & POLLHUP) != 0)
                return asciiIoFailure(h, EIO);
        }
    }
    return MbusMaster::DecodeAsciiReply(collector.Frame, slave, regs, count);
}

} // namespace

std::int32_t MbusMaster::TAsciiFrameCollector::Feed(const char *data, long count)
{
    for (long i = 0; i < count; ++i) {
        const char c = data[i];
        if (c == ':') {
            InFrame = true;
            Frame.clear();
        } else if (InFrame) {
            Frame += c;
            if (Frame.size() > 2 * 260)
                return MBUS_INVALID_FRAME_ERROR;
            if (c == '\n')
                return MBUS_OK;
        }
    }
    return MBUS_REPLY_TIMEOUT_ERROR;
}

std::int32_t MbusMaster::DecodeAsciiReply(const std::string &frame, int slave, std::uint16_t *regs, int count)
{
    std::string reply = frame;
    if (reply.size() < 2 || reply[reply.size() - 1] != '\n' || reply[reply.size() - 2] != '\r')
        return MBUS_INVALID_FRAME_ERROR;
    reply.resize(reply.size() - 2);
    std::uint8_t bytes[260];
    const std::size_t len = reply.size() / 2;
    if (reply.size() % 2 != 0 || reply.size() < 6 || len > sizeof bytes)
        return MBUS_INVALID_FRAME_ERROR;
    for (std::size_t i = 0; i < len; ++i) {
        const int hi = hexValue(reply[2 * i]);
        const int lo = hexValue(reply[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return MBUS_INVALID_FRAME_ERROR;
        bytes[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    if (lrc(bytes, len - 1) != bytes[len - 1])
        return MBUS_CHECKSUM_ERROR;
    if (bytes[0] != slave)
        return MBUS_INVALID_REPLY_ERROR;
    if (bytes[1] == 0x83) {
        if (len != 4)
            return MBUS_INVALID_REPLY_ERROR;
        const int code = bytes[2];
        return code >= 1 && code <= 4 ? MBUS_RESPONSE_EXCEPTION + code : MBUS_RESPONSE_EXCEPTION;
    }
    if (bytes[1] != 3 || bytes[2] != 2 * count || len != static_cast<std::size_t>(4 + 2 * count))
        return MBUS_INVALID_REPLY_ERROR;
    for (int i = 0; i < count; ++i)
        regs[i] = static_cast<std::uint16_t>(bytes[3 + 2 * i] << 8 | bytes[4 + 2 * i]);
    return MBUS_OK;
}

namespace
{

// ---- libmodbus transports ---------------------------------------------------

std::int32_t connectTcp(MbusMasterInstance *h)
{
    h->ctx = modbus_new_tcp(h->tcpHost.c_str(), h->tcpPort);
    if (!h->ctx)
        return errno == EINVAL ? MBUS_ILLEGAL_ARGUMENT : MBUS_SOCKET_LIB_ERROR;
    // libmodbus bounds its non-blocking connect by the response time-out.
    applyResponseTimeout(h);
    modbus_set_error_recovery(h->ctx, MODBUS_ERROR_RECOVERY_NONE);
    if (modbus_connect(h->ctx) != 0) {
        const int err = errno;
        h->closeTransport();
        h->lastOpenErrno = err;
        return err == EMFILE || err == ENFILE ? MBUS_FILEDES_EXCEEDED : MBUS_TCPIP_CONNECT_ERR;
    }
    h->watchForTermination(modbus_get_socket(h->ctx));
    if (Platform::TerminationRequested())
        return abortedExchange(h);
    h->isOpen = true;
    return MBUS_OK;
}

std::int32_t libmodbusRead(MbusMasterInstance *h, int slave, int startAddr, std::uint16_t *regs, int count)
{
    if (modbus_set_slave(h->ctx, slave) != 0)
        return MBUS_ILLEGAL_ARGUMENT;
    // A reply that came after its request timed out still lies in the line
    // buffer and, being as long as the next one, would be taken for it. On TCP
    // the rest of a garbled or overlong answer would likewise spoil every later
    // reply on the connection.
    modbus_flush(h->ctx);
    const int rc = modbus_read_registers(h->ctx, startAddr, count, regs);
    if (rc == count)
        return MBUS_OK;
    // The descriptor may already be the end-of-file stand-in: whatever libmodbus made of it,
    // the exchange was cut short and the link is gone.
    if (Platform::TerminationRequested())
        return abortedExchange(h);
    if (rc >= 0)
        return MBUS_INVALID_REPLY_ERROR;
    const int err = errno;
    const std::int32_t result = MbusMaster::ResultOfModbusErrno(err);
    if (linkLost(err))
        h->closeTransport();
    // Bytes still waiting behind a bad reply on TCP mean the stream is out of step
    // (garbage, a flood, a frame longer than it said): no later reply on this
    // connection could be trusted, so the next open starts a fresh one.
    else if (result == MBUS_INVALID_REPLY_ERROR && h->kind == MbusMasterInstance::Kind::Tcp &&
             modbus_flush(h->ctx) > 0)
        h->closeTransport();
    return result;
}

bool valid(MbusHandle h)
{
    return h != nullptr;
}

} // namespace

namespace MbusMaster
{

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

extern "C" {

MbusHandle mbusMaster_createRtuProtocol()
{
    return create(MbusMasterInstance::Kind::Rtu);
}

MbusHandle mbusMaster_createAsciiProtocol()
{
    return create(MbusMasterInstance::Kind::Ascii);
}

MbusHandle mbusMaster_createTcpProtocol()
{
    return create(MbusMasterInstance::Kind::Tcp);
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
    if (h->kind == MbusMasterInstance::Kind::Tcp)
        return MBUS_ILLEGAL_STATE;
    if (baudRate <= 0 || dataBits < 5 || dataBits > 8 || (stopBits != 1 && stopBits != 2) || parity < 0 ||
        parity > 2)
        return MBUS_ILLEGAL_ARGUMENT;
    h->closeTransport();
    h->lastOpenErrno = 0;
    if (Platform::TerminationRequested())
        return MBUS_OPEN_ERR;
    const QString device = ComPorts::ResolvePortName(QString::fromUtf8(portName));
    if (device.isEmpty())
        return MBUS_OPEN_ERR;

    if (h->kind == MbusMasterInstance::Kind::Ascii) {
        const std::int32_t rc = openAsciiPort(h, device, baudRate, dataBits, stopBits, parity);
        h->isOpen = rc == MBUS_OK;
        h->transactionDone = false;
        return rc;
    }

    const char parityChar = parity == 1 ? 'O' : (parity == 2 ? 'E' : 'N');
    const QByteArray native = QFile::encodeName(device);
    // libmodbus only knows the Bxxx rates; others are set once the port is open.
    h->ctx = modbus_new_rtu(native.constData(), standardBaud(baudRate) ? baudRate : 9600, parityChar,
                            dataBits, stopBits);
    if (!h->ctx)
        return MBUS_ILLEGAL_ARGUMENT;
    applyResponseTimeout(h);
    modbus_set_error_recovery(h->ctx, MODBUS_ERROR_RECOVERY_NONE);
    if (modbus_connect(h->ctx) != 0) {
        const int err = errno;
        h->closeTransport();
        h->lastOpenErrno = err;
        return openErrorFromErrno(err);
    }
    const int fd = modbus_get_socket(h->ctx);
    h->watchForTermination(fd);
    if (!ComPorts::LockOpenPort(fd, device)) {
        h->closeTransport();
        return MBUS_PORT_ALREADY_OPEN;
    }
    if (!standardBaud(baudRate) && !ComPorts::SetBaudRate(fd, baudRate)) {
        h->closeTransport();
        return MBUS_ILLEGAL_ARGUMENT;
    }
    modbus_flush(h->ctx);
    if (Platform::TerminationRequested())
        return abortedExchange(h);
    h->isOpen = true;
    h->transactionDone = false;
    return MBUS_OK;
}

std::int32_t mbusMaster_openTcpProtocol(MbusHandle h, const char *host)
{
    if (!valid(h) || !host)
        return MBUS_ILLEGAL_ARGUMENT;
    if (h->kind != MbusMasterInstance::Kind::Tcp)
        return MBUS_ILLEGAL_STATE;
    in_addr addr{};
    if (inet_pton(AF_INET, host, &addr) != 1)
        return MBUS_ILLEGAL_ARGUMENT;
    h->closeTransport();
    h->tcpHost = host;
    h->transactionDone = false;
    h->lastOpenErrno = 0;
    if (Platform::TerminationRequested())
        return MBUS_TCPIP_CONNECT_ERR;
    return connectTcp(h);
}

std::int32_t mbusMaster_setTcpPort(MbusHandle h, std::int32_t port)
{
    if (!valid(h) || port < 1 || port > 65535)
        return MBUS_ILLEGAL_ARGUMENT;
    if (h->kind != MbusMasterInstance::Kind::Tcp)
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
        h->closeTransport();
    return MBUS_OK;
}

std::int32_t mbusMaster_getLastOpenErrno(MbusHandle h)
{
    return valid(h) ? h->lastOpenErrno : 0;
}

std::int32_t mbusMaster_isOpen(MbusHandle h)
{
    return valid(h) && h->isOpen ? 1 : 0;
}

std::int32_t mbusMaster_setTimeout(MbusHandle h, std::int32_t ms)
{
    if (!valid(h) || ms < 1 || ms > MaxTimeoutMs)
        return MBUS_ILLEGAL_ARGUMENT;
    h->timeoutMs = ms;
    applyResponseTimeout(h);
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

std::int32_t mbusMaster_configureBigEndianInts(MbusHandle h)
{
    if (!valid(h))
        return MBUS_ILLEGAL_ARGUMENT;
    h->bigEndianInts = true;
    return MBUS_OK;
}

std::int32_t mbusMaster_configureLittleEndianInts(MbusHandle h)
{
    if (!valid(h))
        return MBUS_ILLEGAL_ARGUMENT;
    h->bigEndianInts = false;
    return MBUS_OK;
}

std::int32_t mbusMaster_configureSwappedFloats(MbusHandle h)
{
    if (!valid(h))
        return MBUS_ILLEGAL_ARGUMENT;
    h->swappedFloats = true;
    return MBUS_OK;
}

std::int32_t mbusMaster_configureIeeeFloats(MbusHandle h)
{
    if (!valid(h))
        return MBUS_ILLEGAL_ARGUMENT;
    h->swappedFloats = false;
    return MBUS_OK;
}

std::int32_t mbusMaster_readMultipleRegisters(MbusHandle h, std::int32_t slaveAddr, std::int32_t startRef,
                                              std::uint16_t *regArr, std::int32_t refCnt)
{
    if (!valid(h) || !regArr || refCnt < 1 || refCnt > MaxRegisters || startRef < 1 ||
        startRef - 1 + refCnt > 0x10000 || slaveAddr < 0 || slaveAddr > 255)
        return MBUS_ILLEGAL_ARGUMENT;
    if (!h->isOpen)
        return MBUS_ILLEGAL_STATE;
    const int startAddr = startRef - 1;
    std::int32_t rc = MBUS_OK;
    for (int attempt = 0; attempt <= h->retryCnt; ++attempt) {
        if (Platform::TerminationRequested())
            return abortedExchange(h);
        waitPollDelay(h);
        if (h->kind == MbusMasterInstance::Kind::Ascii)
            rc = asciiRead(h, slaveAddr, startAddr, regArr, refCnt);
        else
            rc = libmodbusRead(h, slaveAddr, startAddr, regArr, refCnt);
        h->lastTransactionEnd = Clock::now();
        h->transactionDone = true;

        if (rc == MBUS_REPLY_TIMEOUT_ERROR && h->kind == MbusMasterInstance::Kind::Tcp) {
            // A late reply would answer the next request: only a fresh
            // connection is in step with the device again.
            h->closeTransport();
            if (attempt == h->retryCnt || connectTcp(h) != MBUS_OK)
                return MBUS_REPLY_TIMEOUT_ERROR;
            continue;
        }
        if (rc != MBUS_REPLY_TIMEOUT_ERROR && rc != MBUS_CHECKSUM_ERROR)
            break;
        if (h->ctx)
            modbus_flush(h->ctx); // the rest of a garbled or late reply
    }
    return rc;
}

} // extern "C"
