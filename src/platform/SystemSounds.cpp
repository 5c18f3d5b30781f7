#include "platform/SystemSounds.h"

#include "platform/SoundPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <array>

namespace Sound
{

namespace
{

struct TAliasLabel {
    const char *alias;
    const char *label;
};

constexpr std::array<TAliasLabel, 6> WindowsAliases = {{
    {"SystemExclamation", QT_TRANSLATE_NOOP("TSystemSound", "Exclamation")},
    {"SystemAsterisk", QT_TRANSLATE_NOOP("TSystemSound", "Asterisk")},
    {"SystemHand", QT_TRANSLATE_NOOP("TSystemSound", "Critical Stop")},
    {"SystemQuestion", QT_TRANSLATE_NOOP("TSystemSound", "Question")},
    {".Default", QT_TRANSLATE_NOOP("TSystemSound", "Default Beep")},
    {"SystemNotification", QT_TRANSLATE_NOOP("TSystemSound", "System Notification")},
}};

// Event ids of the theme's sound files ("bell.oga" -> "bell"), sorted, each once.
QStringList ThemeEventIds(const QStringList &dataDirs)
{
    QStringList ids;
    for (const QString &dataDir : dataDirs) {
        const QDir theme(dataDir + QStringLiteral("/sounds/freedesktop/stereo"));
        for (const QFileInfo &file : theme.entryInfoList(QDir::Files | QDir::Readable)) {
            const QString id = file.completeBaseName();
            if (!id.isEmpty() && !ids.contains(id))
                ids << id;
        }
    }
    ids.sort();
    return ids;
}

} // namespace

QList<TSystemSound> SystemSoundList()
{
    return SystemSoundList(QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
}

QList<TSystemSound> SystemSoundList(const QStringList &dataDirs)
{
    QList<TSystemSound> sounds;
    QSet<QString> mapped;
    for (const TAliasLabel &a : WindowsAliases) {
        const QString alias = QString::fromLatin1(a.alias);
        sounds << TSystemSound{alias, QCoreApplication::translate("TSystemSound", a.label)};
        mapped << EventIdOfAlias(alias);
    }
    for (const QString &id : ThemeEventIds(dataDirs))
        if (!mapped.contains(id))
            sounds << TSystemSound{id, id};
    return sounds;
}

} // namespace Sound
