// The alarm sound player on libcanberra, reaching ALSA's null device for real.
#include "platform/SoundPlayer.h"
#include "platform/SystemSounds.h"

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <canberra.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace
{

// 0.1 s of silence, 8 kHz, 16-bit mono PCM.
bool WriteWave(const QString &path)
{
    const quint32 samples = 800;
    QByteArray data;
    QDataStream s(&data, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("RIFF", 4);
    s << quint32(36 + samples * 2);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000) << quint16(2)
      << quint16(16);
    s.writeRawData("data", 4);
    s << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i)
        s << qint16(0);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

// libcanberra plays on ALSA; a default PCM of type null takes the sound without a sound card.
// The sound theme is one of the test's own: libcanberra finds an event's file there or
// answers CA_ERROR_NOTFOUND, which shows which file a Windows-style alias plays.
class AliasPlays : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Home.isValid());
        QFile rc(Home.filePath(QStringLiteral(".asoundrc")));
        ASSERT_TRUE(rc.open(QIODevice::WriteOnly));
        rc.write("pcm.!default { type null }\n");
        rc.close();
        ASSERT_TRUE(QDir(Home.path()).mkpath(QStringLiteral("data/sounds/freedesktop/stereo")));
        QFile index(Home.filePath(QStringLiteral("data/sounds/freedesktop/index.theme")));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly));
        index.write("[Sound Theme]\nName=Test\nDirectories=stereo\n\n[stereo]\nOutputProfile=stereo\n");
        index.close();
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "CANBERRA_DRIVER"})
            Saved.emplace_back(name, qgetenv(name));
        qputenv("HOME", QFile::encodeName(Home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(Home.filePath(QStringLiteral("empty"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(Home.filePath(QStringLiteral("data"))));
        qputenv("CANBERRA_DRIVER", "alsa");
    }

    void TearDown() override
    {
        for (const auto &[name, value] : Saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

    // The theme holds exactly these event sounds.
    void ThemeHolds(std::initializer_list<const char *> eventIds)
    {
        const QDir stereo(Home.filePath(QStringLiteral("data/sounds/freedesktop/stereo")));
        for (const QString &file : stereo.entryList(QDir::Files))
            ASSERT_TRUE(QFile::remove(stereo.filePath(file)));
        for (const char *id : eventIds)
            ASSERT_TRUE(WriteWave(stereo.filePath(QString::fromLatin1(id) + QStringLiteral(".wav"))));
    }

    int Play(const QString &alias)
    {
        TCanberraPlayer player;
        player.PlaySystemSound(alias);
        return player.LastResult();
    }

    QTemporaryDir Home;
    std::vector<std::pair<const char *, QByteArray>> Saved;
};

TEST_F(AliasPlays, AWindowsAliasPlaysTheThemesFileOfItsEventInAnyLetterCase)
{
    ASSERT_NO_FATAL_FAILURE(ThemeHolds({"dialog-warning"}));
    EXPECT_EQ(Play(QStringLiteral("SystemExclamation")), CA_SUCCESS);
    EXPECT_EQ(Play(QStringLiteral("systemexclamation")), CA_SUCCESS);
    EXPECT_EQ(Play(QStringLiteral("dialog-warning")), CA_SUCCESS) << "an event id plays as it stands";
    EXPECT_EQ(Play(QStringLiteral("SystemHand")), CA_ERROR_NOTFOUND) << "another alias plays another file";

    // A name libcanberra did not find once stays unfound for the rest of the process (seen
    // here), so the second theme is asked for a name that is new to it.
    ASSERT_NO_FATAL_FAILURE(ThemeHolds({"complete"}));
    EXPECT_EQ(Play(QStringLiteral("complete")), CA_SUCCESS);
    EXPECT_EQ(Play(QStringLiteral("SystemExclamation")), CA_ERROR_NOTFOUND);
}

// The event names of the freedesktop sound naming specification: every alias the settings
// offer plays one of them, so none points at a name the installed themes do not use.
TEST_F(AliasPlays, EveryOfferedAliasPlaysAStandardEventSound)
{
    ASSERT_NO_FATAL_FAILURE(ThemeHolds(
        {"dialog-warning", "dialog-information", "dialog-error", "dialog-question", "bell", "message"}));
    const QList<TSystemSound> offered = Sound::SystemSoundList({Home.filePath(QStringLiteral("data"))});
    ASSERT_FALSE(offered.isEmpty());
    for (const TSystemSound &sound : offered)
        EXPECT_EQ(Play(sound.Alias), CA_SUCCESS) << sound.Alias.toStdString();
    EXPECT_EQ(offered.size(), 6) << "each standard sound is reached through its alias only";
}

// libcanberra plays on ALSA; a default PCM of type null takes the sound without a sound card.
TEST(CanberraPlayer, PlaysEventsAndWaveFilesOnTheNullDevice)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QFile rc(home.filePath(QStringLiteral(".asoundrc")));
    ASSERT_TRUE(rc.open(QIODevice::WriteOnly));
    rc.write("pcm.!default { type null }\n");
    rc.close();
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("CANBERRA_DRIVER", "alsa");
    const QString wave = home.filePath(QStringLiteral("alarm.wav"));
    ASSERT_TRUE(WriteWave(wave));

    {
        TCanberraPlayer player;
        player.PlayFile(wave);
        EXPECT_EQ(player.LastResult(), CA_SUCCESS) << ca_strerror(player.LastResult());
        // A second sound replaces the first one without an error.
        player.PlaySystemSound(QStringLiteral("SystemExclamation"));
        EXPECT_EQ(player.LastResult(), CA_SUCCESS) << ca_strerror(player.LastResult());
        player.PlayFile(home.filePath(QStringLiteral("missing.wav")));
        EXPECT_EQ(player.LastResult(), CA_ERROR_NOTFOUND) << ca_strerror(player.LastResult());
    }
    qputenv("HOME", oldHome);
    qunsetenv("CANBERRA_DRIVER");
}
