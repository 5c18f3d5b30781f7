// The alarm sound decisions of the reader core, tick by tick, with a fake player.
#include "test_reader_rig.h"

#include "FakeSoundPlayer.h"

#include <gtest/gtest.h>

namespace
{

// A reader whose tick does nothing: the test stores the readings itself and ends each
// tick with FinishCycle.
class TScriptedReader : public TReaderCore
{
public:
    using TReaderCore::TReaderCore;
    void tReaderTimer() override {}
};

struct SoundRig {
    TErrMessageList errors;
    TDeviceConnection conn{errors};
    TFakeSoundPlayer player;
    TRecordingView view;
    TScriptedReader reader{conn, &player};

    SoundRig(std::uint8_t soundMode, std::uint8_t repeatMode)
    {
        conn.GetQuantity(0).SetQuanType(TQuantity::qtTemperature);
        conn.GetQuantity(1).SetQuanType(TQuantity::qtRelativeHumidity);
        reader.SoundMode = soundMode;
        reader.SystemSound = QStringLiteral("SystemHand");
        reader.SoundFile = QStringLiteral("/sounds/alarm.wav");
        reader.RepeatMode = repeatMode;
        reader.RepeatInterval = 10;
        reader.AddView(&view);
        reader.AddQuantity(conn.GetQuantity(0));
        reader.AddQuantity(conn.GetQuantity(1));
    }

    // A: tick with a high alarm on the temperature; N: tick without alarm; E: tick with a failed
    // humidity reading; P: pause or continue; R: the repetition timer fires (when running);
    // Q: "disable sound".
    void Step(char step)
    {
        TLangQuan &t = conn.GetQuantity(0);
        TLangQuan &h = conn.GetQuantity(1);
        switch (step) {
        case 'A':
        case 'N':
        case 'E':
            t.ReadOK = true;
            t.SetDeviceAlarmCode(step == 'A' ? QStringLiteral("hi") : QStringLiteral("no"));
            h.ReadOK = step != 'E';
            reader.FinishCycle(step != 'E');
            break;
        case 'P':
            reader.TogglePause();
            break;
        case 'R':
            if (reader.tAcoustic.isActive())
                reader.tAcousticTimer();
            break;
        case 'Q':
            reader.QuietAlarmAcoustic();
            break;
        }
    }
};

} // namespace

TEST(ReaderSound, DecisionsTickByTick)
{
    using R = TReaderCore;
    struct Case {
        const char *name;
        std::uint8_t soundMode, repeatMode;
        const char *steps;
        std::vector<int> plays; // sounds played so far, after each step
        const char *repeating;  // tAcoustic running after each step
        const char *button;     // "disable sound" shown after each step
    };
    const Case cases[] = {
        {"once: every reading in alarm plays",
         R::smSystemSound,
         R::rmOnce,
         "AANA",
         {1, 2, 2, 3},
         "----",
         "----"},
        {"once: nothing plays while paused",
         R::smSystemSound,
         R::rmOnce,
         "APAAPA",
         {1, 1, 1, 1, 1, 2},
         "------",
         "------"},
        {"during alarm: repeats until a reading without alarm",
         R::smSystemSound,
         R::rmDuringAlarm,
         "ARARNR",
         {1, 2, 2, 3, 3, 3},
         "++++--",
         "------"},
        {"during alarm: a read error counts as alarm",
         R::smSystemSound,
         R::rmDuringAlarm,
         "ERN",
         {1, 2, 2},
         "++-",
         "---"},
        {"during alarm: pause keeps it repeating",
         R::smSystemSound,
         R::rmDuringAlarm,
         "APARNR",
         {1, 1, 1, 2, 2, 3},
         "++++++",
         "------"},
        {"until interrupt: a gone alarm keeps sounding until disabled",
         R::smSystemSound,
         R::rmUntilUserInterrupt,
         "ANRNRQR",
         {1, 1, 2, 2, 3, 3, 3},
         "+++++--",
         "+++++--"},
        {"until interrupt: an acknowledged alarm still present stays silent",
         R::smSystemSound,
         R::rmUntilUserInterrupt,
         "AQAA",
         {1, 1, 1, 1},
         "+---",
         "+---"},
        {"until interrupt: a new alarm after the old one cleared sounds again",
         R::smSystemSound,
         R::rmUntilUserInterrupt,
         "AQNA",
         {1, 1, 1, 2},
         "+--+",
         "+--+"},
        {"until interrupt: pause keeps it repeating",
         R::smSystemSound,
         R::rmUntilUserInterrupt,
         "APNR",
         {1, 1, 1, 2},
         "++++",
         "++++"},
        {"until interrupt: a read error sounds too",
         R::smSoundFile,
         R::rmUntilUserInterrupt,
         "E",
         {1},
         "+",
         "+"},
        {"disabled: once plays nothing", R::smDisabled, R::rmOnce, "AA", {0, 0}, "--", "--"},
        {"disabled: until interrupt never shows the button",
         R::smDisabled,
         R::rmUntilUserInterrupt,
         "AR",
         {0, 0},
         "--",
         "--"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SoundRig rig(c.soundMode, c.repeatMode);
        const std::string steps = c.steps;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(std::string("after step ") + std::to_string(i) + " " + steps[i]);
            rig.Step(steps[i]);
            EXPECT_EQ(rig.player.Played.size(), c.plays[i]);
            EXPECT_EQ(rig.reader.tAcoustic.isActive(), c.repeating[i] == '+');
            EXPECT_EQ(rig.reader.QuietButtonVisible(), c.button[i] == '+');
        }
    }
}

TEST(ReaderSound, PlaysTheConfiguredSoundAndTellsTheViewsAboutTheButton)
{
    SoundRig alias(TReaderCore::smSystemSound, TReaderCore::rmUntilUserInterrupt);
    alias.Step('A');
    alias.Step('Q');
    EXPECT_EQ(alias.player.Played, QStringList{QStringLiteral("alias:SystemHand")});
    EXPECT_EQ(alias.reader.tAcoustic.interval(), 10000);
    EXPECT_TRUE(alias.view.Events.contains(QStringLiteral("quiet 1")));
    EXPECT_EQ(alias.view.Events.last(), QStringLiteral("quiet 0"));
    EXPECT_EQ(alias.conn.GetQuantity(0).AlarmLatch, TLangQuan::lsAcknowledged) << "disabling acknowledges";

    SoundRig file(TReaderCore::smSoundFile, TReaderCore::rmOnce);
    file.Step('A');
    EXPECT_EQ(file.player.Played, QStringList{QStringLiteral("file:/sounds/alarm.wav")});
}

TEST(ReaderSound, RepetitionFiresFromTheTimer)
{
    SoundRig rig(TReaderCore::smSystemSound, TReaderCore::rmDuringAlarm);
    rig.reader.RepeatInterval = 1;
    rig.Step('A');
    ASSERT_EQ(rig.player.Played.size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.player.Played.size() >= 2; }, 10000));
}

TEST(ReaderSound, NoQuantityNoSound)
{
    TErrMessageList errors;
    TDeviceConnection conn(errors);
    TFakeSoundPlayer player;
    TScriptedReader reader(conn, &player);
    reader.SoundMode = TReaderCore::smSystemSound;
    reader.RepeatMode = TReaderCore::rmOnce;
    reader.AddQuantity(conn.GetQuantity(0)); // absent: no row
    EXPECT_EQ(reader.RowCount(), 0);
    reader.FinishCycle(false);
    EXPECT_TRUE(player.Played.isEmpty());
}
