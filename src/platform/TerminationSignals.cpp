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

extern "C" void WriteSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
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
