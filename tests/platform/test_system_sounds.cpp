// The list of event sounds offered for the alarm.
#include "platform/SystemSounds.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

QStringList Aliases(const QList<TSystemSound> &sounds)
{
    QStringList l;
    for (const TSystemSound &s : sounds)
        l << s.Alias;
    return l;
}

bool MakeTheme(const QString &dataDir, const QStringList &files)
{
    const QString theme = dataDir + QStringLiteral("/sounds/freedesktop/stereo");
    if (!QDir().mkpath(theme))
        return false;
    for (const QString &f : files) {
        QFile file(theme + QLatin1Char('/') + f);
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

const QStringList WindowsAliases{QStringLiteral("SystemExclamation"), QStringLiteral("SystemAsterisk"),
                                 QStringLiteral("SystemHand"),        QStringLiteral("SystemQuestion"),
                                 QStringLiteral(".Default"),          QStringLiteral("SystemNotification")};

} // namespace

TEST(SystemSounds, WindowsAliasesFirstThenTheThemesOtherSoundsSortedOnce)
{
    QTemporaryDir a, b;
    ASSERT_TRUE(MakeTheme(a.path(), {QStringLiteral("dialog-warning.oga"), QStringLiteral("complete.oga"),
                                     QStringLiteral("bell.oga"), QStringLiteral("alarm-clock-elapsed.oga")}));
    ASSERT_TRUE(MakeTheme(b.path(), {QStringLiteral("complete.ogg"), QStringLiteral("trash-empty.oga")}));
    const QList<TSystemSound> sounds = Sound::SystemSoundList({a.path(), b.path()});
    const QStringList theme{QStringLiteral("alarm-clock-elapsed"), QStringLiteral("complete"),
                            QStringLiteral("trash-empty")};
    EXPECT_EQ(Aliases(sounds), WindowsAliases + theme);
    EXPECT_EQ(sounds[0].Label, QStringLiteral("Exclamation"));
    EXPECT_EQ(sounds[2].Label, QStringLiteral("Critical Stop"));
    EXPECT_EQ(sounds[4].Label, QStringLiteral("Default Beep"));
    EXPECT_EQ(sounds.last().Label, QStringLiteral("trash-empty"));
}

TEST(SystemSounds, WithoutAThemeOnlyTheAliases)
{
    QTemporaryDir empty;
    EXPECT_EQ(Aliases(Sound::SystemSoundList({empty.path()})), WindowsAliases);
}
