#pragma once

// A sound player that only remembers what it was asked to play, for tests of the alarm
// sound decisions (the real player is tested once against ALSA's null device).

#include "platform/SoundPlayer.h"

#include <QString>
#include <QStringList>

class TFakeSoundPlayer : public ISoundPlayer
{
public:
    // "alias:<alias>" or "file:<path>", oldest first.
    QStringList Played;

    void PlaySystemSound(const QString &alias) override { Played << QStringLiteral("alias:") + alias; }
    void PlayFile(const QString &path) override { Played << QStringLiteral("file:") + path; }
};
