#include "platform/DisplayPlatform.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

namespace Platform
{

namespace
{

QStringList PluginFolders()
{
    // Where Qt itself looks: QT_PLUGIN_PATH first, then the installation's plugin folder.
    QStringList folders = qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    return folders;
}

bool IsWaylandSession(const TDisplayEnvironment &environment)
{
    return !environment.WaylandDisplay.isEmpty() ||
           environment.XdgSessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

} // namespace

TDisplayEnvironment TDisplayEnvironment::Current()
{
    TDisplayEnvironment environment;
    environment.QtQpaPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    environment.WaylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.XdgSessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    environment.X11Display = qEnvironmentVariable("DISPLAY");
    environment.XcbPluginInstalled = XcbPluginIn(PluginFolders());
    return environment;
}

bool XcbPluginIn(const QStringList &pluginFolders)
{
    for (const QString &folder : pluginFolders)
        if (QFileInfo(QDir(folder).filePath(QStringLiteral("platforms/libqxcb.so"))).isFile())
            return true;
    return false;
}

QString ChooseQpaPlatform(const TDisplayEnvironment &environment)
{
    // Qt treats an empty QT_QPA_PLATFORM as unset, and so does this choice.
    if (!environment.QtQpaPlatform.isEmpty())
        return QString();
    if (!IsWaylandSession(environment) || !environment.XcbPluginInstalled || environment.X11Display.isEmpty())
        return QString();
    return QStringLiteral("xcb");
}

QString ApplyQpaPlatformChoice()
{
    const QString platform = ChooseQpaPlatform(TDisplayEnvironment::Current());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.toLocal8Bit());
    return platform;
}

} // namespace Platform
