#include "model/uOBGlob.h"
#include "model/uValueText.h"

#include <gtest/gtest.h>

namespace
{

TEST(LangQuan, InitialFields)
{
    TLangQuan q;
    EXPECT_FALSE(q.ReadOK);
    EXPECT_EQ(q.ErrorText, QStringLiteral("Error "));
    EXPECT_EQ(q.DeviceAlarmCode, QStringLiteral("no"));
    EXPECT_EQ(q.AlarmState, TLangQuan::asNone);
    EXPECT_EQ(q.AlarmLatch, TLangQuan::lsIdle);
    EXPECT_EQ(q.ErrorLatch, TLangQuan::lsIdle);
    EXPECT_EQ(q.AlarmMode, TLangQuan::amDevice);
    EXPECT_FALSE(q.LimitsEnabled);
    EXPECT_FALSE(q.AlarmOnClosing);
    EXPECT_FALSE(q.AlarmOnOpening);
    EXPECT_EQ(q.HiLim, 0.0);
    EXPECT_EQ(q.LoLim, 0.0);
    EXPECT_EQ(q.Hyst, 0.0);
}

// Feeds values one after another into the same quantity and checks the state
// after each, so the hysteresis sees the previous state.
struct Feed {
    double value;
    int state;
};

void feed(TLangQuan &q, std::initializer_list<Feed> steps)
{
    int i = 0;
    for (const Feed &f : steps) {
        SCOPED_TRACE(testing::Message() << "step " << i++ << " value " << f.value);
        q.SetValue(f.value);
        q.EvaluateAlarm();
        EXPECT_EQ(q.AlarmState, f.state);
    }
}

// A quantity judged against enabled user limits, last reading good.
struct LimitQuan : TLangQuan {
    LimitQuan(double lo, double hi, double hyst)
    {
        ReadOK = true;
        AlarmMode = amLimits;
        LimitsEnabled = true;
        LoLim = lo;
        HiLim = hi;
        Hyst = hyst;
    }
};

TEST(AlarmLimits, HysteresisHoldsThePreviousAlarm)
{
    LimitQuan q(10, 30, 2);
    feed(q, {{30, 2}, {28, 2}, {27.9, 0}, {10, 1}, {12, 1}, {12.1, 0}, {29.9, 0}, {31, 2}, {9, 1}});
}

TEST(AlarmLimits, LowAlarmHoldsOnlyWithinItsOwnBand)
{
    LimitQuan q(10, 30, 25);
    feed(q, {{5, 1}, {29, 1}}); // 29 <= 10 + 25: low alarm held
    LimitQuan r(10, 30, 2);
    feed(r, {{5, 1}, {29, 0}});
}

TEST(AlarmLimits, DegenerateLimits)
{
    LimitQuan zero(0, 0, 0);
    feed(zero, {{0, 2}, {5, 2}, {-0.1, 1}, {-100, 1}, {0.0001, 2}});

    // Crossed limits: the high test comes first.
    LimitQuan crossed(30, 10, 0);
    feed(crossed, {{20, 2}, {10, 2}, {5, 1}});
}

TEST(AlarmLimits, DisabledLimitsNeverAlarmButErrorsStillLatch)
{
    LimitQuan q(10, 30, 2);
    q.LimitsEnabled = false;
    feed(q, {{100, 0}, {-100, 0}});
    q.ReadOK = false;
    EXPECT_TRUE(q.EvaluateAlarm());
    EXPECT_EQ(q.AlarmState, 0);
    EXPECT_EQ(q.ErrorLatch, 1);
}

TEST(AlarmDevice, TwoLetterCodesInEitherByteOrder)
{
    struct Row {
        const char *code;
        int state;
    };
    const Row rows[] = {{"HI", 2}, {"hi", 2}, {"Ih", 2}, {"lo", 1},  {"oL", 1}, {"OL", 1},
                        {"no", 0}, {"", 0},   {"xx", 0}, {"hi ", 0}, {"h", 0}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.code);
        TLangQuan q;
        q.ReadOK = true;
        q.Value = 1000; // the value plays no part in this mode
        q.SetDeviceAlarmCode(QString::fromLatin1(r.code));
        EXPECT_EQ(q.EvaluateAlarm(), r.state != 0);
        EXPECT_EQ(q.AlarmState, r.state);
    }
}

TEST(AlarmBinary, ClosingAndOpeningRule)
{
    struct Row {
        int mode;
        bool onClosing, onOpening;
        double value;
        int state;
    };
    const Row rows[] = {
        {2, true, true, 1, 2},    {2, true, true, 0.95, 2},
        {2, true, true, 0.9, 2},  {2, true, true, 0, 1},
        {2, true, true, 0.05, 1}, {2, true, true, -0.1, 1},
        {2, true, true, 0.5, 0},  {2, true, true, 1.2, 0},
        {2, false, true, 1, 0},   {2, true, false, 0, 0},
        {2, false, false, 1, 0},  {7, true, true, 1, 2}, // any mode above 1 follows the binary rule
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << r.mode << " closing " << r.onClosing << " opening "
                                        << r.onOpening << " value " << r.value);
        TLangQuan q;
        q.ReadOK = true;
        q.AlarmMode = static_cast<std::uint8_t>(r.mode);
        q.AlarmOnClosing = r.onClosing;
        q.AlarmOnOpening = r.onOpening;
        q.Value = r.value;
        q.EvaluateAlarm();
        EXPECT_EQ(q.AlarmState, r.state);
    }
}

TEST(AlarmLatches, StateMachine)
{
    enum Event { AlarmOn, AlarmOff, FailOn, FailOff, Ack, Reset };
    struct Step {
        Event event;
        bool result; // of EvaluateAlarm; ignored for Ack and Reset
        int alarmLatch, errorLatch;
    };
    // Alarm presence is driven through the device code, read success through ReadOK;
    // both keep their last setting across steps.
    const Step steps[] = {
        {AlarmOff, false, 0, 0}, {AlarmOn, true, 1, 0},   // new alarm latches
        {AlarmOff, false, 1, 0},                          // came and went unacknowledged: stays pending
        {Ack, false, 2, 0},      {AlarmOff, false, 0, 0}, // acknowledged and gone: cleared
        {AlarmOn, true, 1, 0},   {Ack, false, 2, 0},
        {AlarmOn, true, 2, 0},                           // acknowledged but present: silent, still reported
        {AlarmOff, false, 0, 0}, {AlarmOn, true, 1, 0},  // a fresh alarm latches again
        {FailOn, true, 1, 1},                            // reading fails while in alarm
        {Ack, false, 2, 2},      {AlarmOff, true, 0, 2}, // alarm gone, reading still failing
        {FailOff, false, 0, 0},  {FailOn, true, 0, 1},   // failure alone is reported
        {FailOff, false, 0, 1},                          // and stays pending until acknowledged
        {Ack, false, 0, 2},      {Ack, false, 0, 2},     // acknowledging twice changes nothing
        {AlarmOn, true, 1, 0},                           // good reading clears the acknowledged error latch
        {Reset, false, 0, 0},
    };
    TLangQuan q;
    q.ReadOK = true;
    int i = 0;
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << i++);
        switch (s.event) {
        case Ack:
            q.AcknowledgeAlarms();
            break;
        case Reset:
            q.ResetAlarms();
            break;
        default:
            if (s.event == AlarmOn || s.event == AlarmOff)
                q.SetDeviceAlarmCode(s.event == AlarmOn ? QStringLiteral("hi") : QStringLiteral("no"));
            else
                q.ReadOK = s.event == FailOff;
            EXPECT_EQ(q.EvaluateAlarm(), s.result);
        }
        EXPECT_EQ(q.AlarmLatch, s.alarmLatch);
        EXPECT_EQ(q.ErrorLatch, s.errorLatch);
    }
}

TEST(AlarmLatches, FailedReadingStillComputesTheStateFromTheStoredValue)
{
    LimitQuan q(10, 30, 2);
    q.ReadOK = false;
    q.Value = 50;
    EXPECT_TRUE(q.EvaluateAlarm());
    EXPECT_EQ(q.AlarmState, 2);
    EXPECT_EQ(q.AlarmLatch, 1);
    EXPECT_EQ(q.ErrorLatch, 1);

    LimitQuan quiet(10, 30, 2);
    quiet.ReadOK = false;
    quiet.Value = 20;
    EXPECT_TRUE(quiet.EvaluateAlarm());
    EXPECT_EQ(quiet.AlarmState, 0);
    EXPECT_EQ(quiet.ErrorLatch, 1);
}

TEST(AlarmLatches, ResetKeepsUserFields)
{
    LimitQuan q(10, 30, 2);
    q.AlarmOnClosing = true;
    q.AlarmMode = TLangQuan::amBinary;
    q.Value = 1;
    q.SetDeviceAlarmCode(QStringLiteral("hi"));
    q.EvaluateAlarm();
    ASSERT_EQ(q.AlarmState, 2);
    q.ResetAlarms();
    EXPECT_EQ(q.AlarmState, 0);
    EXPECT_EQ(q.AlarmLatch, 0);
    EXPECT_EQ(q.ErrorLatch, 0);
    EXPECT_EQ(q.DeviceAlarmCode, QStringLiteral("no"));
    EXPECT_TRUE(q.LimitsEnabled);
    EXPECT_TRUE(q.AlarmOnClosing);
    EXPECT_EQ(q.AlarmMode, TLangQuan::amBinary);
    EXPECT_EQ(q.LoLim, 10);
    EXPECT_EQ(q.HiLim, 30);
    EXPECT_EQ(q.Hyst, 2);
}

TEST(LangQuanEx, DeviceDefinedNameUnitAndDecimals)
{
    TLangQuanEx q;
    EXPECT_EQ(q.CustomDecimals, 2);
    EXPECT_EQ(q.RawReading, 0u);
    q.SetQuanType(1);
    q.SetQuanUnit(1);
    q.Number = 2; // the device name is used as it is
    q.SetCustomName(QStringLiteral("Flow"));
    q.SetCustomUnit(QStringLiteral("m3/h"));
    q.SetCustomDecimals(1);
    q.SetValue(12.345);

    const TQuantity &base = q; // through the base, as displays see it
    EXPECT_EQ(base.GetName(), QStringLiteral("Flow"));
    EXPECT_EQ(base.GetDecimals(), 1);
    EXPECT_EQ(base.GetUnitSymbol(), QStringLiteral("m3/h"));
    EXPECT_EQ(base.GetPlainUnitSymbol(), QStringLiteral("m3/h"));
    EXPECT_EQ(QuantityValueText(base, QLocale::c()), QStringLiteral("12.3"));
}

} // namespace
