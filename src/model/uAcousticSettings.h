#pragma once

// The acoustic alarm settings as one value: the settings store reads and writes it, the
// dialog shows and changes it, the measurement frame keeps it and the reader plays by it.

#include "model/uOBGlob.h"

#include <QString>

struct TAcousticSettings {
    TSoundMode SoundMode = TSoundMode::Disabled;
    QString SystemSound;     // alias of the desktop's event sound
    QString SoundFile;       // a WAV file
    int RepeatInterval = 10; // seconds
    TRepeatMode RepeatMode = TRepeatMode::Once;

    bool operator==(const TAcousticSettings &) const = default;
};
