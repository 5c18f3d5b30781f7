// Modbus ASCII on a termios port: libmodbus has no ASCII backend, so the framing is done here.

#include "platform/ComPorts.h"
#include "platform/MbusTransport.h"

#include <QFile>

#include "platform/TerminationSignals.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;
using MbusMaster::LinkLost;
using MbusMaster::OpenErrorFromErrno;

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

class TAsciiTransport final : public MbusMaster::TTransport
{
public:
    ~TAsciiTransport() override { Close(); }

    std::int32_t OpenSerial(const QString &device, std::int32_t baud, std::int32_t dataBits,
                            std::int32_t stopBits, std::int32_t parity) override
    {
        const std::int32_t rc = openAsciiPort(device, baud, dataBits, stopBits, parity);
        Open = rc == MBUS_OK;
        return rc;
    }

    void Close() override
    {
        StopWatching();
        if (asciiFd >= 0) {
            ::close(asciiFd);
            asciiFd = -1;
        }
        Open = false;
    }

    std::int32_t ReadRegisters(int slave, int startAddr, std::uint16_t *regs, int count) override
    {
        return asciiRead(slave, startAddr, regs, count);
    }

private:
    std::int32_t openAsciiPort(const QString &device, std::int32_t baud, std::int32_t dataBits,
                               std::int32_t stopBits, std::int32_t parity)
    {
        const QByteArray native = QFile::encodeName(device);
        const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            OpenErrno = errno;
            return OpenErrorFromErrno(OpenErrno);
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
        asciiFd = fd;
        WatchForTermination(fd);
        return MBUS_OK;
    }

    // Marks the link lost and closes the port when the device itself went away.
    std::int32_t asciiIoFailure(int err)
    {
        if (LinkLost(err))
            Close();
        return MBUS_IO_ERROR;
    }

    std::int32_t asciiRead(int slave, int startAddr, std::uint16_t *regs, int count)
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

        const int fd = asciiFd;
        tcflush(fd, TCIFLUSH); // drop the tail of an earlier, late reply
        const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
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
                return asciiIoFailure(errno);
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, remainingMs()) == 0)
                return MBUS_REPLY_TIMEOUT_ERROR;
        }

        MbusMaster::TAsciiFrameCollector collector;
        for (;;) {
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return asciiIoFailure(errno);
            const std::int32_t collected = collector.Feed(buf, n);
            if (collected == MBUS_OK)
                break;
            if (collected != MBUS_REPLY_TIMEOUT_ERROR)
                return collected;
            if (Platform::TerminationRequested())
                return AbortedExchange();
            const int wait = remainingMs();
            if (wait == 0)
                return MBUS_REPLY_TIMEOUT_ERROR;
            if (n <= 0) {
                pollfd p{fd, POLLIN, 0};
                const int rc = poll(&p, 1, wait);
                if (rc == 0)
                    return MBUS_REPLY_TIMEOUT_ERROR;
                if (rc > 0 && (p.revents & (POLLERR | POLLNVAL)) != 0)
                    return asciiIoFailure(EIO);
                if (rc > 0 && (p.revents & POLLIN) == 0 && (p.revents & POLLHUP) != 0)
                    return asciiIoFailure(EIO);
            }
        }
        return MbusMaster::DecodeAsciiReply(collector.Frame, slave, regs, count);
    }

    int asciiFd = -1; // while open
};

} // namespace

std::unique_ptr<MbusMaster::TTransport> MbusMaster::CreateAsciiTransport()
{
    return std::make_unique<TAsciiTransport>();
}

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
