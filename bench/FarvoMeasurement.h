#pragma once

// A Farvo device with thirteen present quantities behind a reader core whose tick reads
// nothing, for the benchmarks of the common end of a reading tick (FinishCycle). The views
// are attached between construction and Start(), as the program attaches its frame before
// the measurement starts.

#include "reading/uReaderCore.h"

#include "connection/uDeviceConnection.h"
#include "model/uOBGlob.h"

#include <QDateTime>

#include <array>
#include <cstdint>
#include <memory>

inline constexpr std::array<int, 13> FarvoSlots = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// The reader core with a tick that reads nothing: only FinishCycle is measured.
class TBenchReader : public TReaderCore
{
public:
    using TReaderCore::TReaderCore;

    void StartMeasurement() { AddFamilyQuantities(FarvoSlots, FarvoSlots); }
    void tReaderTimer() override {}
};

// Temperature with user limits; a tick a second with the CSV record going to csvFolder
// (none: no CSV file).
struct FarvoMeasurement {
    TErrMessageList errors;
    TDeviceConnection conn{errors};
    std::unique_ptr<TBenchReader> reader;
    QDateTime time = QDateTime::currentDateTime();

    FarvoMeasurement(int points, const QString &csvFolder)
    {
        conn.SensType.SetKind(91);
        conn.SerialText = QStringLiteral("12345678");
        const int types[] = {
            TQuantity::qtTemperature,      TQuantity::qtRelativeHumidity, TQuantity::qtDewPoint,
            TQuantity::qtPressure,         TQuantity::qtCO2Concentration, TQuantity::qtBinaryInput,
            TQuantity::qtBinaryInput,      TQuantity::qtBinaryInput,      TQuantity::qtAbsoluteHumidity,
            TQuantity::qtSpecificHumidity, TQuantity::qtMixingRatio,      TQuantity::qtRelayOutput,
            TQuantity::qtRelayOutput};
        for (int slot : FarvoSlots) {
            TLangQuan &q = conn.GetQuantity(slot);
            q.SetQuanType(types[slot]);
            q.ReadOK = true;
        }
        TLangQuan &t = conn.GetQuantity(0);
        t.AlarmMode = TLangQuan::amLimits;
        t.LimitsEnabled = true;
        t.LoLim = 10.0;
        t.HiLim = 30.0;

        TReaderSettings settings;
        settings.IntervalSec = 1;
        settings.ChartPoints = points;
        settings.LogToCsv = !csvFolder.isEmpty();
        settings.CsvFolder = csvFolder;
        settings.CsvFileName = QStringLiteral("bench.csv");
        reader = std::make_unique<TBenchReader>(conn, nullptr, settings);
        // A tick a second without asking the system for the time.
        reader->Clock = [this] { return time = time.addSecs(1); };
    }

    // The rows go to the views attached by now.
    void Start()
    {
        reader->StartMeasurement();
        // The first point dates the whole history: done before the measurement.
        Tick(0);
    }

    void Tick(std::uint64_t n)
    {
        for (int slot : FarvoSlots)
            conn.GetQuantity(slot).Value = 20.0 + static_cast<double>(n % 200) * 0.1 + slot;
        reader->FinishCycle(true);
    }
};
