#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace Platform
{

namespace
{

class TBackgroundChildren
{
public:
    ~TBackgroundChildren() { EndAll(); }

    void Add(pid_t pid)
    {
        std::lock_guard lock(m_mutex);
        ReapFinishedLocked();
        m_children.push_back(pid);
    }

    void ReapFinished()
    {
        std::lock_guard lock(m_mutex);
        ReapFinishedLocked();
    }

    int Count()
    {
        std::lock_guard lock(m_mutex);
        ReapFinishedLocked();
        return static_cast<int>(m_children.size());
    }

    void EndAll()
    {
        std::lock_guard lock(m_mutex);
        ReapFinishedLocked();
        // A child not yet reaped still holds its group id, so signalling the group
        // cannot reach an unrelated process.
        for (pid_t pid : m_children)
            kill(-pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (!m_children.empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ReapFinishedLocked();
        }
        for (pid_t pid : m_children) {
            kill(-pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        m_children.clear();
    }

private:
    void ReapFinishedLocked()
    {
        std::erase_if(m_children, [](pid_t pid) {
            const pid_t r = waitpid(pid, nullptr, WNOHANG);
            return r == pid || (r < 0 && errno == ECHILD);
        });
    }

    std::mutex m_mutex;
    std::vector<pid_t> m_children;
};

TBackgroundChildren &Background()
{
    static TBackgroundChildren children;
    return children;
}

class TSpawnSetup
{
public:
    TSpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~TSpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    TSpawnSetup(const TSpawnSetup &) = delete;
    TSpawnSetup &operator=(const TSpawnSetup &) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

// Reaps pid if it has ended. Ended also when it was reaped behind our back
// (SIGCHLD ignored): it is gone either way.
TWaitResult TryReap(pid_t pid, int *exitCode)
{
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            if (exitCode)
                *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return TWaitResult::Ended;
        }
        if (r == 0)
            return TWaitResult::TimedOut;
        if (errno == EINTR)
            continue;
        return errno == ECHILD ? TWaitResult::Ended : TWaitResult::Failed;
    }
}

} // namespace

pid_t SpawnInOwnGroup(const QStringList &argv, bool quiet)
{
    Background().ReapFinished();
    if (argv.isEmpty() || argv.first().isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    std::vector<QByteArray> storage;
    storage.reserve(static_cast<std::size_t>(argv.size()));
    for (const QString &arg : argv)
        storage.push_back(arg.toLocal8Bit());
    std::vector<char *> args;
    for (QByteArray &arg : storage)
        args.push_back(arg.data());
    args.push_back(nullptr);

    TSpawnSetup setup;
    if (quiet) {
        posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);

    // Own group, so the whole tree can be ended together; default signal handling,
    // since ignored signals (SIGPIPE) would otherwise be inherited across exec.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&defaults, sig);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setpgroup(&setup.attr, 0);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    posix_spawnattr_setsigmask(&setup.attr, &empty);
    posix_spawnattr_setflags(&setup.attr,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &setup.actions, &setup.attr, args.data(), environ);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    return pid;
}

TWaitResult WaitForChild(pid_t pid, std::int64_t timeoutMs, int *exitCode)
{
    if (exitCode)
        *exitCode = -1;
    if (timeoutMs < 0) {
        for (;;) {
            int status = 0;
            if (waitpid(pid, &status, 0) == pid) {
                if (exitCode)
                    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return TWaitResult::Ended;
            }
            if (errno == ECHILD)
                return TWaitResult::Ended;
            if (errno != EINTR)
                return TWaitResult::Failed;
        }
    }

    // Through syscall(): glibc 2.36's <sys/pidfd.h> lacks C linkage for C++.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        // ESRCH: the child is already gone, reaped behind our back (SIGCHLD ignored).
        if (errno == ESRCH)
            return TryReap(pid, exitCode);
        if (errno != ENOSYS)
            return TWaitResult::Failed;
        // Kernels before 5.3: poll the child's state instead.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const TWaitResult r = TryReap(pid, exitCode);
            if (r != TWaitResult::TimedOut || std::chrono::steady_clock::now() >= deadline)
                return r;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    TWaitResult result = TWaitResult::TimedOut;
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{pidfd, POLLIN, 0};
        const int n = poll(&p, 1, static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT32_MAX)));
        if (n < 0 && errno != EINTR) {
            result = TWaitResult::Failed;
            break;
        }
        if (n > 0) {
            result = TryReap(pid, exitCode);
            if (result == TWaitResult::TimedOut) // readable yet not reapable: cannot happen, but never spin
                result = TWaitResult::Failed;
            break;
        }
        if (n == 0 && left.count() <= 0)
            break; // time-out
    }
    close(pidfd);
    return result;
}

void EndChildGroup(pid_t pid)
{
    kill(-pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void KeepRunningInBackground(pid_t pid)
{
    Background().Add(pid);
}

void EndBackgroundChildren()
{
    Background().EndAll();
}

int BackgroundChildCount()
{
    return Background().Count();
}

} // namespace Platform
