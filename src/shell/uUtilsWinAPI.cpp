#include "shell/uUtilsWinAPI.h"

#include "model/uExceptions.h"
#include "platform/Process.h"

#include "OmbrixVersion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

QString TWinAPIUtils::FormatFileVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(mostSignificant >> 16)
        .arg(mostSignificant & 0xFFFFu)
        .arg(leastSignificant >> 16)
        .arg(leastSignificant & 0xFFFFu);
}

QString TWinAPIUtils::GetFileVersion(const QString &filePath)
{
    if (filePath.isEmpty())
        return {};
    const QString target = QFileInfo(filePath).canonicalFilePath();
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    if (target.isEmpty() || target != self)
        return {};
    // "+ 0" keeps an empty tweak component (a three-part project version) valid.
    const std::uint32_t major = OMBRIX_VERSION_MAJOR + 0;
    const std::uint32_t minor = OMBRIX_VERSION_MINOR + 0;
    const std::uint32_t patch = OMBRIX_VERSION_PATCH + 0;
    const std::uint32_t tweak = OMBRIX_VERSION_TWEAK + 0;
    return FormatFileVersion((major << 16) | (minor & 0xFFFFu), (patch << 16) | (tweak & 0xFFFFu));
}

bool TWinAPIUtils::RunAndWait(const QString &commandLine, bool hidden, std::uint32_t timeoutMs)
{
    const pid_t pid = Platform::SpawnInOwnGroup(QProcess::splitCommand(commandLine), hidden);
    if (pid < 0)
        throw Exception(QStringLiteral("Unable to Create Process \"%1\"").arg(commandLine));

    const std::int64_t limit = timeoutMs == Infinite ? -1 : static_cast<std::int64_t>(timeoutMs);
    switch (Platform::WaitForChild(pid, limit)) {
    case Platform::TWaitResult::Ended:
        return true;
    case Platform::TWaitResult::TimedOut:
        Platform::KeepRunningInBackground(pid);
        return false;
    case Platform::TWaitResult::Failed:
        break;
    }
    // The child is still ours; leave it to be ended with the program rather than
    // losing track of it.
    Platform::KeepRunningInBackground(pid);
    throw Exception(QStringLiteral("Process wait failed."));
}
