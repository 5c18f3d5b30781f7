#pragma once

// Alarm sound output. Both kinds of sound play asynchronously: the call returns at once
// while the sound plays, and a new sound replaces one still playing. Nothing is reported
// to the user when a sound cannot be played (no audio device, missing file).

#include <QByteArray>
#include <QString>

#include <cstdint>

class ISoundPlayer
{
public:
    virtual ~ISoundPlayer() = default;

    // One of the named event sounds, given by its Windows-style alias ("SystemExclamation")
    // as the settings keep it.
    virtual void PlaySystemSound(const QString &alias) = 0;
    // A wave file.
    virtual void PlayFile(const QString &path) = 0;
};

namespace Sound
{

// The freedesktop event id for an alias: the Windows-style aliases of the settings map to
// their freedesktop counterparts ("SystemExclamation" -> "dialog-warning"); any other text is
// already an event id of the installed theme and is used as it stands.
QString EventIdOfAlias(const QString &alias);

} // namespace Sound

struct ca_context;

// The player on libcanberra and the freedesktop sound theme. All players share one
// libcanberra context that lives until the process ends: destroying a context whose last
// sound is just finishing unloads the output driver under the driver's own playing thread,
// which then crashes the process (seen with the ALSA driver under load).
class TCanberraPlayer : public ISoundPlayer
{
public:
    TCanberraPlayer();
    ~TCanberraPlayer() override;
    TCanberraPlayer(const TCanberraPlayer &) = delete;
    TCanberraPlayer &operator=(const TCanberraPlayer &) = delete;

    void PlaySystemSound(const QString &alias) override;
    void PlayFile(const QString &path) override;

    // libcanberra's answer to the last play request (0 = started); for diagnostics and tests.
    int LastResult() const { return m_lastResult; }
    // Stops whatever this player is playing.
    void Stop();

private:
    void Play(const char *property, const QByteArray &value);

    ca_context *m_context = nullptr;
    // Sounds of this player carry this id, so one player's Stop leaves another's sound alone.
    std::uint32_t m_soundId = 0;
    int m_lastResult = 0;
};
