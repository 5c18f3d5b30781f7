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
    TScriptedReader reader;

    SoundRig(TSoundMode soundMode, TRepeatMode repeatMode, int repeatInterval = 10)
        : reader(conn, &player, Settings(soundMode, repeatMode, repeatInterval))
    {
        conn.GetQuantity(0).SetQuanType(TQuantity::qtTemperature);
        conn.GetQuantity(1).SetQuanType(TQuantity::qtRelativeHumidity);
        reader.AddView(&view);
        reader.AddQuantity(conn.GetQuantity(0));
        reader.AddQuantity(conn.GetQuantity(1));
    }

    static TReaderSettings Settings(TSoundMode soundMode, TRepeatMode repeatMode, int repeatInterval)
    {
        TReaderSettings settings;
        settings.Acoustic = {soundMode, QStringLiteral("SystemHand"), QStringLiteral("/sounds/alarm.wav"),
                             repeatInterval, repeatMode};
        return settings;
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
            if (reader.SoundRepeating())
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
    struct Case {
        const char *name;
        TSoundMode soundMode;
        TRepeatMode repeatMode;
        const char *steps;
        std::vector<int> plays; // sounds played so far, after each step
        const char *repeating;  // the sound repeating after each step
        const char *button;     // "disable sound" shown after each step
    };
    const Case cases[] = {
        {"once: every reading in alarm plays",
         TSoundMode::SystemSound,
         TRepeatMode::Once,
         "AANA",
         {1, 2, 2, 3},
         "----",
         "----"},
        {"once: nothing plays while paused",
         TSoundMode::SystemSound,
         TRepeatMode::Once,
         "APAAPA",
         {1, 1, 1, 1, 1, 2},
         "------",
         "------"},
        {"during alarm: repeats until a reading without alarm",
         TSoundMode::SystemSound,
         TRepeatMode::DuringAlarm,
         "ARARNR",
         {1, 2, 2, 3, 3, 3},
         "++++--",
         "------"},
        {"during alarm: a read error counts as alarm",
         TSoundMode::SystemSound,
         TRepeatMode::DuringAlarm,
         "ERN",
         {1, 2, 2},
         "++-",
         "---"},
        {"during alarm: pause keeps it repeating",
         TSoundMode::SystemSound,
         TRepeatMode::DuringAlarm,
         "APARNR",
         {1, 1, 1, 2, 2, 3},
         "++++++",
         "------"},
        {"until interrupt: a gone alarm keeps sounding until disabled",
         TSoundMode::SystemSound,
         TRepeatMode::UntilUserInterrupt,
         "ANRNRQR",
         {1, 1, 2, 2, 3, 3, 3},
         "+++++--",
         "+++++--"},
        {"until interrupt: an acknowledged alarm still present stays silent",
         TSoundMode::SystemSound,
         TRepeatMode::UntilUserInterrupt,
         "AQAA",
         {1, 1, 1, 1},
         "+---",
         "+---"},
        {"until interrupt: a new alarm after the old one cleared sounds again",
         TSoundMode::SystemSound,
         TRepeatMode::UntilUserInterrupt,
         "AQNA",
         {1, 1, 1, 2},
         "+--+",
         "+--+"},
        {"until interrupt: pause keeps it repeating",
         TSoundMode::SystemSound,
         TRepeatMode::UntilUserInterrupt,
         "APNR",
         {1, 1, 1, 2},
         "++++",
         "++++"},
        {"until interrupt: a read error sounds too",
         TSoundMode::SoundFile,
         TRepeatMode::UntilUserInterrupt,
         "E",
         {1},
         "+",
         "+"},
        {"disabled: once plays nothing", TSoundMode::Disabled, TRepeatMode::Once, "AA", {0, 0}, "--", "--"},
        {"disabled: until interrupt never shows the button",
         TSoundMode::Disabled,
         TRepeatMode::UntilUserInterrupt,
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
            EXPECT_EQ(rig.reader.SoundRepeating(), c.repeating[i] == '+');
            EXPECT_EQ(rig.reader.QuietButtonVisible(), c.button[i] == '+');
        }
    }
}

TEST(ReaderSound, PlaysTheConfiguredSoundAndTellsTheViewsAboutTheButton)
{
    SoundRig alias(TSoundMode::SystemSound, TRepeatMode::UntilUserInterrupt);
    alias.Step('A');
    alias.Step('Q');
    EXPECT_EQ(alias.player.Played, QStringList{QStringLiteral("alias:SystemHand")});
    EXPECT_EQ(alias.reader.SoundRepeatIntervalMs(), 10000);
    EXPECT_TRUE(alias.view.Events.contains(QStringLiteral("quiet 1")));
    EXPECT_EQ(alias.view.Events.last(), QStringLiteral("quiet 0"));
    EXPECT_EQ(alias.conn.GetQuantity(0).AlarmLatch, TLangQuan::lsAcknowledged) << "disabling acknowledges";

    SoundRig file(TSoundMode::SoundFile, TRepeatMode::Once);
    file.Step('A');
    EXPECT_EQ(file.player.Played, QStringList{QStringLiteral("file:/sounds/alarm.wav")});
}

TEST(ReaderSound, RepetitionFiresFromTheTimer)
{
    SoundRig rig(TSoundMode::SystemSound, TRepeatMode::DuringAlarm, 1);
    rig.Step('A');
    ASSERT_EQ(rig.player.Played.size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.player.Played.size() >= 2; }, 10000));
}

TEST(ReaderSound, NoQuantityNoSound)
{
    TErrMessageList errors;
    TDeviceConnection conn(errors);
    TFakeSoundPlayer player;
    TReaderSettings settings;
    settings.Acoustic.SoundMode = TSoundMode::SystemSound;
    settings.Acoustic.RepeatMode = TRepeatMode::Once;
    TScriptedReader reader(conn, &player, settings);
    reader.AddQuantity(conn.GetQuantity(0)); // absent: no row
    EXPECT_EQ(reader.RowCount(), 0);
    reader.FinishCycle(false);
    EXPECT_TRUE(player.Played.isEmpty());
}
