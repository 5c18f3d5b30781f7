#include "platform/SoundPlayer.h"

#include <QFile>

#include <canberra.h>

#include <array>
#include <utility>

namespace
{

// Every sound of this player carries the same id, so cancelling it before a new play
// makes the new sound replace the old one.
constexpr std::uint32_t AlarmSoundId = 1;

} // namespace

QString Sound::EventIdOfAlias(const QString &alias)
{
    static const std::array<std::pair<const char *, const char *>, 6> map = {{
        {"SystemExclamation", "dialog-warning"},
        {"SystemAsterisk", "dialog-information"},
        {"SystemHand", "dialog-error"},
        {"SystemQuestion", "dialog-question"},
        {".Default", "bell"},
        {"SystemNotification", "message"},
    }};
    for (const auto &[windowsAlias, eventId] : map) {
        if (alias.compare(QLatin1String(windowsAlias), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(eventId);
    }
    return alias;
}

void TCanberraPlayer::TContextDeleter::operator()(ca_context *c) const
{
    ca_context_destroy(c);
}

TCanberraPlayer::TCanberraPlayer()
{
    ca_context *c = nullptr;
    m_lastResult = ca_context_create(&c);
    if (m_lastResult == CA_SUCCESS)
        m_context.reset(c);
}

TCanberraPlayer::~TCanberraPlayer() = default;

void TCanberraPlayer::PlaySystemSound(const QString &alias)
{
    Play(CA_PROP_EVENT_ID, Sound::EventIdOfAlias(alias).toUtf8());
}

void TCanberraPlayer::PlayFile(const QString &path)
{
    Play(CA_PROP_MEDIA_FILENAME, QFile::encodeName(path));
}

void TCanberraPlayer::Stop()
{
    if (m_context)
        ca_context_cancel(m_context.get(), AlarmSoundId);
}

void TCanberraPlayer::Play(const char *property, const QByteArray &value)
{
    if (!m_context) {
        m_lastResult = CA_ERROR_STATE;
        return;
    }
    Stop();
    // ca_context_play starts the sound on libcanberra's own thread and returns at once.
    m_lastResult = ca_context_play(m_context.get(), AlarmSoundId, property, value.constData(),
                                   CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
}
