#include "platform/TerminationSignals.h"

#include <QPointer>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace Platform
{

namespace
{

constexpr std::array<int, 3> HandledSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe the handler writes to. Plain ints, because a signal handler may touch nothing else.
volatile sig_atomic_t g_writeFd = -1;
int g_readFd = -1;
std::array<struct sigaction, HandledSignals.size()> g_previous{};

volatile sig_atomic_t g_terminationRequested = 0;
volatile sig_atomic_t g_hangupEndsRun = 1;

// A pipe's read end whose write end is closed: select() and poll() find it readable at once and
// read() gives end-of-file, while write() fails with EBADF instead of raising SIGPIPE. Made in
// advance because the handler may create nothing.
int g_endOfFileFd = -1;
constexpr std::size_t AbortablePlaces = 8;
std::array<volatile sig_atomic_t, AbortablePlaces> g_abortable{-1, -1, -1, -1, -1, -1, -1, -1};

int EndOfFileDescriptor()
{
    if (g_endOfFileFd < 0) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return -1;
        ::close(fds[1]);
        g_endOfFileFd = fds[0];
    }
    return g_endOfFileFd;
}

void AbortExchanges()
{
    if (g_endOfFileFd < 0)
        return;
    for (const volatile sig_atomic_t &fd : g_abortable) {
        const int target = fd;
        if (target >= 0)
            ::dup2(g_endOfFileFd, target);
    }
}

extern "C" void WriteSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
    if (signalNumber != SIGHUP || g_hangupEndsRun) {
        g_terminationRequested = 1;
        AbortExchanges();
    }
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte: enough of the same request are already waiting.
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject *parent) : QObject(parent)
{
    if (g_readFd >= 0)
        return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_readFd = fds[0];
    g_writeFd = fds[1];
    EndOfFileDescriptor();

    struct sigaction action {
    };
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < HandledSignals.size(); ++i)
        ::sigaction(HandledSignals[i], &action, &g_previous[i]);

    m_notifier = std::make_unique<QSocketNotifier>(g_readFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TTerminationSignals::ReadPending);
    m_active = true;
}

TTerminationSignals::~TTerminationSignals()
{
    if (!m_active)
        return;
    for (std::size_t i = 0; i < HandledSignals.size(); ++i)
        ::sigaction(HandledSignals[i], &g_previous[i], nullptr);
    m_notifier.reset();
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    ::close(writeFd);
    ::close(g_readFd);
    g_readFd = -1;
}

bool TerminationRequested()
{
    return g_terminationRequested != 0;
}

void SetHangupEndsRun(bool endsRun)
{
    g_hangupEndsRun = endsRun ? 1 : 0;
}

bool RegisterAbortableDescriptor(int fd)
{
    if (fd < 0 || EndOfFileDescriptor() < 0)
        return false;
    for (volatile sig_atomic_t &place : g_abortable) {
        if (place < 0) {
            place = fd;
            return true;
        }
    }
    return false;
}

void UnregisterAbortableDescriptor(int fd)
{
    for (volatile sig_atomic_t &place : g_abortable) {
        if (place == fd)
            place = -1;
    }
}

void ResetTerminationRequest()
{
    g_terminationRequested = 0;
}

void TTerminationSignals::ReadPending()
{
    unsigned char bytes[16];
    const ssize_t count = ::read(g_readFd, bytes, sizeof bytes);
    // A receiver may end the program and destroy this object; stop emitting then.
    const QPointer<TTerminationSignals> self(this);
    for (ssize_t i = 0; i < count && self; ++i)
        Q_EMIT Received(bytes[i]);
}

} // namespace Platform
