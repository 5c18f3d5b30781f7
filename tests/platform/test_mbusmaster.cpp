// The C interface of the Modbus master: argument and state checks, opening
// failures, the bounded TCP connect, and the in-house ASCII framing against a
// scripted slave on a pty pair (the simulator speaks RTU and TCP only).
#include "platform/mbusmaster.h"

#include "PtyPair.h"

#include "platform/TerminationSignals.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

struct HandleCloser {
    void operator()(MbusMasterInstance *h) const { mbusMaster_destroyProtocol(h); }
};
using Handle = std::unique_ptr<MbusMasterInstance, HandleCloser>;

Handle tcpHandle()
{
    return Handle(mbusMaster_createTcpProtocol());
}

// A loopback listener that accepts nothing; with its queue filled, further
// connection attempts get no answer at all.
struct Listener {
    explicit Listener(int backlog)
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        listen(fd, backlog);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener()
    {
        for (int c : fillers)
            close(c);
        close(fd);
    }
    void fillQueue()
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        for (int i = 0; i < 4; ++i) {
            const int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(c, reinterpret_cast<sockaddr *>(&a), sizeof a);
            fillers.push_back(c);
        }
        usleep(50000);
    }
    int fd = -1;
    std::uint16_t port = 0;
    std::vector<int> fillers;
};

std::uint16_t closedPort()
{
    Listener l(1);
    return l.port; // nobody listens there once l is gone
}

} // namespace

TEST(MbusMasterApi, ArgumentAndStateChecks)
{
    Handle tcp = tcpHandle();
    Handle rtu(mbusMaster_createRtuProtocol());
    std::uint16_t regs[130] = {};
    ASSERT_TRUE(tcp && rtu);

    struct Case {
        const char *what;
        std::int32_t result;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"read on a closed instance", mbusMaster_readMultipleRegisters(tcp.get(), 1, 1, regs, 2), 2},
        {"no array", mbusMaster_readMultipleRegisters(tcp.get(), 1, 1, nullptr, 2), 1},
        {"zero registers", mbusMaster_readMultipleRegisters(tcp.get(), 1, 1, regs, 0), 1},
        {"126 registers", mbusMaster_readMultipleRegisters(tcp.get(), 1, 1, regs, 126), 1},
        {"reference 0", mbusMaster_readMultipleRegisters(tcp.get(), 1, 0, regs, 2), 1},
        {"past the last register", mbusMaster_readMultipleRegisters(tcp.get(), 1, 65536, regs, 2), 1},
        {"slave 256", mbusMaster_readMultipleRegisters(tcp.get(), 256, 1, regs, 2), 1},
        {"time-out 0", mbusMaster_setTimeout(tcp.get(), 0), 1},
        {"negative poll delay", mbusMaster_setPollDelay(tcp.get(), -1), 1},
        {"negative retries", mbusMaster_setRetryCnt(tcp.get(), -1), 1},
        {"TCP port 0", mbusMaster_setTcpPort(tcp.get(), 0), 1},
        {"TCP port on a serial instance", mbusMaster_setTcpPort(rtu.get(), 502), 2},
        {"host name instead of address", mbusMaster_openTcpProtocol(tcp.get(), "localhost"), 1},
        {"serial open on TCP", mbusMaster_openSerialProtocol(tcp.get(), "COM1", 9600, 8, 1, 0), 2},
        {"TCP open on serial", mbusMaster_openTcpProtocol(rtu.get(), "127.0.0.1"), 2},
        {"parity 3", mbusMaster_openSerialProtocol(rtu.get(), "COM1", 9600, 8, 1, 3), 1},
        {"stop bits 3", mbusMaster_openSerialProtocol(rtu.get(), "COM1", 9600, 8, 3, 0), 1},
        {"baud 0", mbusMaster_openSerialProtocol(rtu.get(), "COM1", 0, 8, 1, 0), 1},
        {"null handle", mbusMaster_setTimeout(nullptr, 100), 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;

    // Failed setters leave the values alone; good ones stick.
    EXPECT_EQ(mbusMaster_getTimeout(tcp.get()), 1000);
    EXPECT_EQ(mbusMaster_getTcpPort(tcp.get()), 502);
    EXPECT_EQ(mbusMaster_setTimeout(tcp.get(), 250), 0);
    EXPECT_EQ(mbusMaster_setPollDelay(tcp.get(), 20), 0);
    EXPECT_EQ(mbusMaster_setRetryCnt(tcp.get(), 2), 0);
    EXPECT_EQ(mbusMaster_setTcpPort(tcp.get(), 1502), 0);
    EXPECT_EQ(mbusMaster_getTimeout(tcp.get()), 250);
    EXPECT_EQ(mbusMaster_getPollDelay(tcp.get()), 20);
    EXPECT_EQ(mbusMaster_getRetryCnt(tcp.get()), 2);
    EXPECT_EQ(mbusMaster_getTcpPort(tcp.get()), 1502);
    EXPECT_EQ(mbusMaster_isOpen(tcp.get()), 0);
    EXPECT_EQ(mbusMaster_closeProtocol(tcp.get()), 0) << "closing a closed instance is harmless";
}

TEST(MbusMasterApi, SerialDevicesThatAreNotThere)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("OMBRIX_COM_PORTS", QByteArray("211=") + QFile::encodeName(dir.filePath(QStringLiteral("gone"))));
    const std::string plainPath = QFile::encodeName(plain).toStdString();
    const std::string gonePath = QFile::encodeName(dir.filePath(QStringLiteral("gone"))).toStdString();

    for (auto create : {mbusMaster_createRtuProtocol, mbusMaster_createAsciiProtocol}) {
        Handle h(create());
        for (const char *name : {"\\\\.\\COM211", "\\\\.\\COM230", gonePath.c_str(), plainPath.c_str()}) {
            EXPECT_EQ(mbusMaster_openSerialProtocol(h.get(), name, 9600, 8, 1, 0), 66) << name;
            EXPECT_EQ(mbusMaster_isOpen(h.get()), 0);
        }
    }
    qunsetenv("OMBRIX_COM_PORTS");
}

TEST(MbusMasterApi, LibmodbusFailuresMapToTheirResultCodes)
{
    struct Case {
        int err;
        std::int32_t result;
    };
    const Case cases[] = {
        {MODBUS_ENOBASE, 160},                                     // exception code 0
        {EMBXILFUN, 161},      {EMBXSFAIL, 164},   {EMBXACK, 160}, // exception code 5
        {EMBXGTAR, 160},       {EMBBADEXC, 160},   {EMBBADCRC, 129}, {EMBBADDATA, 131},
        {ETIMEDOUT, 132},      {EHOSTUNREACH, 68}, // the way to the device is gone; nobody closed anything
        {ENETUNREACH, 68},     {ECONNRESET, 69},   {EPIPE, 69},      {EIO, 65},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MbusMaster::ResultOfModbusErrno(c.err), c.result) << c.err;
}

TEST(MbusMasterApi, TcpConnectFailures)
{
    Handle h = tcpHandle();
    ASSERT_EQ(mbusMaster_setTcpPort(h.get(), closedPort()), 0);
    EXPECT_EQ(mbusMaster_openTcpProtocol(h.get(), "127.0.0.1"), 68) << "refused";
    EXPECT_EQ(mbusMaster_isOpen(h.get()), 0);

    // Nobody answers the connection attempt: the time-out bounds it.
    Listener silent(0);
    silent.fillQueue();
    ASSERT_EQ(mbusMaster_setTcpPort(h.get(), silent.port), 0);
    ASSERT_EQ(mbusMaster_setTimeout(h.get(), 300), 0);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(mbusMaster_openTcpProtocol(h.get(), "127.0.0.1"), 68) << "unanswered";
    EXPECT_GE(t.elapsed(), 250);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_EQ(mbusMaster_isOpen(h.get()), 0);
}

namespace
{

// Answers Modbus ASCII requests on the device side of a pty pair with replies
// the test scripts: a well-formed one, or one broken in a chosen way.
class AsciiSlave
{
public:
    enum class Mode {
        Good,
        BadLrc,
        NoColonEnd,
        OddDigits,
        Exception3,
        OtherSlave,
        ShortData,
        Silent,
        Garbage
    };

    explicit AsciiSlave(const QString &device)
    {
        fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    ~AsciiSlave()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
        ::close(fd);
    }
    void run(Mode m)
    {
        mode = m;
        worker = std::thread([this] { serve(); });
    }
    // Stops the slave and returns the last request it saw.
    std::string request()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
        return lastRequest;
    }

private:
    std::string lastRequest;
    static std::string hex(const std::vector<std::uint8_t> &bytes)
    {
        static const char d[] = "0123456789ABCDEF";
        std::string s;
        for (auto b : bytes) {
            s += d[b >> 4];
            s += d[b & 15];
        }
        return s;
    }
    static std::uint8_t lrc(const std::vector<std::uint8_t> &bytes)
    {
        std::uint8_t sum = 0;
        for (auto b : bytes)
            sum = static_cast<std::uint8_t>(sum + b);
        return static_cast<std::uint8_t>(-sum);
    }
    void serve()
    {
        std::string line;
        while (!stop) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                line += buf[i];
                if (buf[i] == '\n') {
                    lastRequest = line;
                    answer(line);
                    line.clear();
                }
            }
        }
    }
    void answer(const std::string &request)
    {
        // ":SSFFAAAACCCCLL\r\n"
        const int slave = std::stoi(request.substr(1, 2), nullptr, 16);
        const int count = std::stoi(request.substr(9, 4), nullptr, 16);
        std::vector<std::uint8_t> pdu{static_cast<std::uint8_t>(mode == Mode::OtherSlave ? slave + 1 : slave),
                                      3, static_cast<std::uint8_t>(2 * count)};
        for (int i = 0; i < count; ++i) {
            pdu.push_back(static_cast<std::uint8_t>(0x10 + i));
            pdu.push_back(static_cast<std::uint8_t>(0xA0 + i));
        }
        if (mode == Mode::ShortData)
            pdu.pop_back();
        if (mode == Mode::Exception3)
            pdu = {static_cast<std::uint8_t>(slave), 0x83, 3};
        std::uint8_t check = lrc(pdu);
        if (mode == Mode::BadLrc)
            check ^= 0x55;
        pdu.push_back(check);
        std::string frame = "::" + hex(pdu) + "\r\n"; // a stray ':' first: the last one starts the frame
        if (mode == Mode::NoColonEnd)
            frame = ":" + hex(pdu) + "\n";
        if (mode == Mode::OddDigits)
            frame = ":" + hex(pdu) + "0\r\n";
        if (mode == Mode::Garbage)
            frame = ":01G3\r\n";
        if (mode == Mode::Silent)
            return;
        [[maybe_unused]] auto w = ::write(fd, frame.data(), frame.size());
    }

    int fd = -1;
    Mode mode = Mode::Good;
    std::atomic<bool> stop{false};
    std::thread worker;
};

} // namespace

TEST(MbusMasterAscii, FramesRequestsAndChecksReplies)
{
    struct Case {
        AsciiSlave::Mode mode;
        std::int32_t expected;
    };
    const Case cases[] = {
        {AsciiSlave::Mode::Good, 0},         {AsciiSlave::Mode::BadLrc, 129},
        {AsciiSlave::Mode::NoColonEnd, 130}, {AsciiSlave::Mode::OddDigits, 130},
        {AsciiSlave::Mode::Garbage, 130},    {AsciiSlave::Mode::Exception3, 163},
        {AsciiSlave::Mode::OtherSlave, 131}, {AsciiSlave::Mode::ShortData, 131},
        {AsciiSlave::Mode::Silent, 132},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        PtyPair pty;
        ASSERT_TRUE(pty.open());
        AsciiSlave slave(pty.deviceSide());
        slave.run(c.mode);
        Handle h(mbusMaster_createAsciiProtocol());
        ASSERT_EQ(mbusMaster_setTimeout(h.get(), 300), 0);
        const QByteArray port = QFile::encodeName(pty.masterSide());
        ASSERT_EQ(mbusMaster_openSerialProtocol(h.get(), port.constData(), 19200, 8, 1, 0), 0);
        std::uint16_t regs[3] = {};
        EXPECT_EQ(mbusMaster_readMultipleRegisters(h.get(), 0x11, 0x1037, regs, 3), c.expected);
        if (c.expected == 0) {
            EXPECT_EQ(regs[0], 0x10A0);
            EXPECT_EQ(regs[2], 0x12A2);
        }
        EXPECT_EQ(mbusMaster_isOpen(h.get()), 1) << "a protocol error keeps the port";
    }
}

TEST(MbusMasterAscii, RequestCarriesReferenceMinusOneAndTheLrc)
{
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    AsciiSlave slave(pty.deviceSide());
    slave.run(AsciiSlave::Mode::Good);
    Handle h(mbusMaster_createAsciiProtocol());
    const QByteArray port = QFile::encodeName(pty.masterSide());
    ASSERT_EQ(mbusMaster_openSerialProtocol(h.get(), port.constData(), 9600, 7, 2, 2), 0);
    std::uint16_t regs[2] = {};
    ASSERT_EQ(mbusMaster_readMultipleRegisters(h.get(), 1, 0x1001, regs, 2), 0);
    // 01 03 10 00 00 02: LRC = -(0x16) = 0xEA
    EXPECT_EQ(slave.request(), ":010310000002EA\r\n");
}

TEST(MbusMasterAscii, FramingAndDecodingStandAnyBytes)
{
    // The collector restarts at every ':' and gives a frame up once it is longer
    // than any reply can be; the decoder refuses a frame longer than its buffer
    // even when it was handed one directly.
    MbusMaster::TAsciiFrameCollector collector;
    const std::string noisy = "\x13garbage:01:0103020102F7\r\n";
    ASSERT_EQ(collector.Feed(noisy.data(), static_cast<long>(noisy.size())), MBUS_OK);
    std::uint16_t reg = 0;
    EXPECT_EQ(MbusMaster::DecodeAsciiReply(collector.Frame, 1, &reg, 1), MBUS_OK);
    EXPECT_EQ(reg, 0x0102);

    MbusMaster::TAsciiFrameCollector endless;
    const std::string digits(600, '0');
    const std::string overlong = ":" + digits;
    EXPECT_EQ(endless.Feed(overlong.data(), static_cast<long>(overlong.size())), MBUS_INVALID_FRAME_ERROR);
    EXPECT_EQ(MbusMaster::DecodeAsciiReply(digits + "\r\n", 0, &reg, 1), MBUS_INVALID_FRAME_ERROR);
    EXPECT_EQ(MbusMaster::DecodeAsciiReply("0103020102F7", 1, &reg, 1), MBUS_INVALID_FRAME_ERROR)
        << "no CR LF";
}

namespace
{

// A termination signal for this thread after a moment, as a service manager sends it while a
// request waits for its reply.
class DelayedTermination
{
public:
    explicit DelayedTermination(int delayMs)
        : m_target(pthread_self()), m_thread([this, delayMs] {
              std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
              pthread_kill(m_target, SIGTERM);
          })
    {
    }
    ~DelayedTermination()
    {
        m_thread.join();
        Platform::ResetTerminationRequest();
    }

private:
    pthread_t m_target;
    std::thread m_thread;
};

} // namespace

TEST(MbusMasterTermination, SignalCutsAWaitForTheReplyShortOnEveryTransport)
{
    // Each device takes the request and never answers; the time-out is 20 s.
    struct Case {
        const char *name;
        std::function<Handle(PtyPair &, Listener &)> open;
    };
    const Case cases[] = {
        {"tcp",
         [](PtyPair &, Listener &listener) {
             Handle h = tcpHandle();
             EXPECT_EQ(mbusMaster_setTcpPort(h.get(), listener.port), 0);
             EXPECT_EQ(mbusMaster_openTcpProtocol(h.get(), "127.0.0.1"), 0);
             return h;
         }},
        {"rtu",
         [](PtyPair &pty, Listener &) {
             Handle h(mbusMaster_createRtuProtocol());
             const QByteArray port = QFile::encodeName(pty.masterSide());
             EXPECT_EQ(mbusMaster_openSerialProtocol(h.get(), port.constData(), 19200, 8, 1, 0), 0);
             return h;
         }},
        {"ascii",
         [](PtyPair &pty, Listener &) {
             Handle h(mbusMaster_createAsciiProtocol());
             const QByteArray port = QFile::encodeName(pty.masterSide());
             EXPECT_EQ(mbusMaster_openSerialProtocol(h.get(), port.constData(), 19200, 8, 1, 0), 0);
             return h;
         }},
    };
    const Platform::TTerminationSignals signals;
    ASSERT_TRUE(signals.IsActive());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PtyPair pty;
        ASSERT_TRUE(pty.open());
        Listener listener(4);
        Handle h = c.open(pty, listener);
        ASSERT_EQ(mbusMaster_isOpen(h.get()), 1);
        ASSERT_EQ(mbusMaster_setTimeout(h.get(), 20000), 0);
        ASSERT_EQ(mbusMaster_setRetryCnt(h.get(), 2), 0);
        std::uint16_t regs[2] = {};
        QElapsedTimer took;
        took.start();
        std::int32_t rc = 0;
        {
            const DelayedTermination termination(300);
            rc = mbusMaster_readMultipleRegisters(h.get(), 1, 1, regs, 2);
            EXPECT_TRUE(Platform::TerminationRequested());
        }
        EXPECT_NE(rc, MBUS_OK);
        EXPECT_LT(took.elapsed(), 5000) << "the 20 s time-out was waited out";
        EXPECT_EQ(mbusMaster_isOpen(h.get()), 0) << "the cut-short link is closed";
        EXPECT_FALSE(Platform::TerminationRequested());
    }
}
