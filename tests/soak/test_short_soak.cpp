// A short soak in the everyday suite: a few thousand ticks against the simulator with every
// kind of fault switched on and off on a seeded schedule, held to the goals of the day-long run.
#include "soak_rig.h"

#include <gtest/gtest.h>

#include <ostream>

namespace Soak
{
// The test names show the family, not the bytes of the parameter.
void PrintTo(const TDevicePlay &device, std::ostream *os)
{
    *os << device.Family.toStdString();
}
} // namespace Soak

namespace
{

// Under AddressSanitizer freed memory is held back in quarantine, so resident memory says
// nothing about leaks there; the leak checker does.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool MemoryMeaningful = false;
#else
constexpr bool MemoryMeaningful = true;
#endif

} // namespace

class ShortSoak : public ::testing::TestWithParam<Soak::TDevicePlay>
{
};

TEST_P(ShortSoak, EveryFaultRecoversByItselfAndTheLogKeepsOneRecordPerTick)
{
    Soak::TOptions options;
    options.Device = GetParam();
    options.Ticks = 2500;
    options.Seed = 14;
    options.WarmupTicks = 500;
    const Soak::TFigures figures = Soak::Run(options);
    for (const QString &line : figures.Report())
        std::printf("%s\n", qPrintable(line));

    const QStringList missed = Soak::MissedGoals(figures, options, MemoryMeaningful);
    EXPECT_TRUE(missed.isEmpty()) << qPrintable(missed.join(QStringLiteral("; ")));
    // The schedule really did something: every kind of fault came, reads failed and recovered,
    // and records waited in memory while the folder was gone.
    for (int k = 0; k < Soak::FaultKinds; ++k)
        EXPECT_GT(figures.Faults[static_cast<std::size_t>(k)], 0)
            << qPrintable(Soak::FaultName(static_cast<Soak::TFault>(k)));
    EXPECT_GT(figures.TicksFailedRecovered, 0);
    EXPECT_EQ(figures.TicksFailedRecovered, figures.TicksFailed) << "the run ends with healthy ticks";
    EXPECT_GT(figures.MostRecordsHeld, 0);
}

INSTANTIATE_TEST_SUITE_P(Families, ShortSoak, ::testing::ValuesIn(Soak::Devices()),
                         [](const ::testing::TestParamInfo<Soak::TDevicePlay> &info) {
                             return info.param.Family.toStdString();
                         });
