#pragma once

#include <QString>
#include <QStringList>

namespace Platform
{

// What decides the windowing platform, as the environment and the Qt installation tell it.
struct TDisplayEnvironment {
    QString QtQpaPlatform;  // QT_QPA_PLATFORM: the user's own choice, which always wins
    QString WaylandDisplay; // WAYLAND_DISPLAY
    QString XdgSessionType; // XDG_SESSION_TYPE
    QString X11Display;     // DISPLAY: set when an X server (XWayland) can be reached
    bool XcbPluginInstalled = false;

    // The running process's environment and Qt's plugin folders.
    static TDisplayEnvironment Current();
};

// The platform plugin to ask for, or an empty text to leave the choice to Qt.
// On a Wayland session the compositor ignores the stay-on-top hint and the window positions
// the popup window relies on, so the program runs through XWayland (the xcb plugin) when the
// user has not chosen a platform, the plugin is installed and an X display is reachable;
// without a reachable display xcb could not start at all.
QString ChooseQpaPlatform(const TDisplayEnvironment &environment);

// Whether the xcb platform plugin lies in one of the plugin folders.
bool XcbPluginIn(const QStringList &pluginFolders);

// Decides and sets QT_QPA_PLATFORM for the application object about to be made; call before
// it exists. Returns the platform set, or an empty text when nothing was changed.
QString ApplyQpaPlatformChoice();

} // namespace Platform
