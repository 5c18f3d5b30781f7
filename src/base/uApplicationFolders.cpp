#include "base/uApplicationFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{
TShellFolderResolver &Resolver()
{
    static TShellFolderResolver resolver;
    return resolver;
}
} // namespace

void SetShellFolderResolver(TShellFolderResolver resolver)
{
    Resolver() = std::move(resolver);
}

const TShellFolderResolver &GetShellFolderResolver()
{
    return Resolver();
}

QString ExpandShellFolder(const QString &path, bool create)
{
    return ExpandShellFolder(path, create, Resolver());
}

bool TestWriteAccessIn(const QString &folder)
{
    QString dir = folder;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    // Only a file this test creates itself is written and removed: an existing "test.txt" (in a
    // folder others may write to, perhaps a link planted to some other file) is never opened,
    // and counts as a failed test. NewOnly creates exclusively, which never follows a link.
    QFile file(dir + QStringLiteral("test.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const QByteArray line("test\n");
    bool ok = file.write(line) == line.size();
    ok = file.flush() && ok;
    file.close();
    ok = file.error() == QFileDevice::NoError && ok;
    // Removed whatever happened above, so a failed test leaves nothing behind either.
    ok = file.remove() && ok;
    return ok;
}

QString ExecutableDir()
{
    // On Linux Qt takes the path from /proc/self/exe, which already has the links resolved;
    // canonicalPath resolves any remaining ones in the folder part.
    const QFileInfo info(QCoreApplication::applicationFilePath());
    QString dir = info.canonicalPath();
    if (dir.isEmpty())
        dir = info.absolutePath();
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}
