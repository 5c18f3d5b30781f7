#pragma once

// The named event sounds a user can pick for the alarm: first the Windows-style aliases the
// settings keep, under their Windows names, then every other event sound of the installed
// freedesktop sound theme under its own event id.

#include <QList>
#include <QString>
#include <QStringList>

struct TSystemSound {
    QString Alias; // what the settings store and the player is given
    QString Label; // what the list shows
};

namespace Sound
{

// The sound theme's folders under the given data folders (default: the XDG data folders).
QList<TSystemSound> SystemSoundList();
QList<TSystemSound> SystemSoundList(const QStringList &dataDirs);

} // namespace Sound
