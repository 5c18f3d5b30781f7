#include "platform/ShellFolders.h"

#include "model/uExceptions.h"

#include <QDir>
#include <QStandardPaths>

QString DefaultShellFolderPath(TShellFolder folder)
{
    switch (folder) {
    case TShellFolder::CommonAppData:
        return QStringLiteral("/var/lib");
    case TShellFolder::LocalAppData:
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    case TShellFolder::Personal:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    return {};
}

bool ShellFolderFromToken(const QString &token, TShellFolder &folder)
{
    const QString name = token.toUpper();
    if (name == QLatin1String("CSIDL_COMMON_APPDATA"))
        folder = TShellFolder::CommonAppData;
    else if (name == QLatin1String("CSIDL_LOCAL_APPDATA"))
        folder = TShellFolder::LocalAppData;
    else if (name == QLatin1String("CSIDL_PERSONAL"))
        folder = TShellFolder::Personal;
    else
        return false;
    return true;
}

static QString WithTrailingSlash(const QString &path)
{
    if (path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString ExpandShellFolder(const QString &path, bool create, const TShellFolderResolver &resolver)
{
    QString base;
    QString rest = path;
    const qsizetype first = path.indexOf(QLatin1Char('%'));
    const qsizetype second = first < 0 ? -1 : path.indexOf(QLatin1Char('%'), first + 1);
    if (second > first) {
        TShellFolder folder;
        const QString token = path.mid(first + 1, second - first - 1);
        if (!ShellFolderFromToken(token, folder))
            throw Exception(QStringLiteral("unknown shell folder %1").arg(token));
        base = resolver ? resolver(folder) : DefaultShellFolderPath(folder);
        if (base.isEmpty())
            throw Exception(QStringLiteral("shell folder %1 has no path").arg(token));
        rest = path.mid(second + 1);
        if (rest.startsWith(QLatin1Char('/')) || rest.startsWith(QLatin1Char('\\')))
            rest.remove(0, 1);
        if (create)
            QDir().mkpath(base);
    }

    QString result = base.isEmpty() ? rest : WithTrailingSlash(base) + rest;
    result = WithTrailingSlash(result);
    if (create)
        QDir().mkpath(result);
    return result;
}
