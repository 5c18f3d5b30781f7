#pragma once

// What a measurement is started with: where and whether it logs, how often it reads, how
// long its charts are and how it sounds an alarm. The measurement frame, ombrix-logger,
// the tests and the benchmarks fill one and hand it to CreateReader.

#include "model/uAcousticSettings.h"

#include <QString>

#include <cstdint>

struct TReaderSettings {
    QString CsvFolder;
    QString CsvFileName;
    bool LogToCsv = false;
    std::int32_t ChartPoints = 0; // points per chart: graph minutes * 60 / IntervalSec
    std::int32_t IntervalSec = 1;
    bool Paused = false; // the state the measurement starts in; the reader toggles its own
    TAcousticSettings Acoustic;
    // Where the record file finds the alternative model designations ("types").
    QString BrandingFilePath;
};
