#include "platform/SoundPlayer.h"

#include <QFile>

#include <canberra.h>

#include <array>
#include <atomic>
#include <utility>

namespace
{

struct TSharedContext {
    ca_context *context = nullptr;
    int createResult = CA_SUCCESS;
};

// Created on first use and deliberately never destroyed (see the class comment); the
// static keeps it reachable, so leak checkers do not report it.
const TSharedContext &SharedContext()
{
    static const TSharedContext shared = [] {
        TSharedContext s;
        s.createResult = ca_context_create(&s.context);
        if (s.createResult != CA_SUCCESS)
            s.context = nullptr;
        return s;
    }();
    return shared;
}

std::uint32_t NextSoundId()
{
    static std::atomic<std::uint32_t> next{1};
    return next++;
}

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

TCanberraPlayer::TCanberraPlayer()
    : m_context(SharedContext().context), m_soundId(NextSoundId()), m_lastResult(SharedContext().createResult)
{
}

// A sound of a player that is gone has nobody left to stop it.
TCanberraPlayer::~TCanberraPlayer()
{
    Stop();
}

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
        ca_context_cancel(m_context, m_soundId);
}

void TCanberraPlayer::Play(const char *property, const QByteArray &value)
{
    if (!m_context) {
        m_lastResult = CA_ERROR_STATE;
        return;
    }
    Stop();
    // ca_context_play starts the sound on libcanberra's own thread and returns at once.
    m_lastResult = ca_context_play(m_context, m_soundId, property, value.constData(),
                                   CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
}
