// The alarm sound player on libcanberra, reaching ALSA's null device for real.
#include "platform/SoundPlayer.h"

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>

#include <canberra.h>
#include <gtest/gtest.h>

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

TEST(SoundAliases, WindowsAliasesMapToFreedesktopEvents)
{
    const std::pair<const char *, const char *> cases[] = {
        {"SystemExclamation", "dialog-warning"},
        {"SystemAsterisk", "dialog-information"},
        {"SystemHand", "dialog-error"},
        {"SystemQuestion", "dialog-question"},
        {".Default", "bell"},
        {"SystemNotification", "message"},
        {"systemexclamation", "dialog-warning"},
        {"complete", "complete"},
    };
    for (const auto &[alias, event] : cases)
        EXPECT_EQ(Sound::EventIdOfAlias(QString::fromLatin1(alias)), QString::fromLatin1(event)) << alias;
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
