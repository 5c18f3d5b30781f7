// The acoustic alarm settings dialog: the five values in and out, the enabling rules, the
// file chooser's check and the Test button reaching the player.
#include "FakeSoundPlayer.h"
#include "alarms/uOBfAcousticSettings.h"
#include "base/uDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

const QList<TSystemSound> Sounds{{QStringLiteral("SystemAsterisk"), QStringLiteral("Asterisk")},
                                 {QStringLiteral("SystemExclamation"), QStringLiteral("Exclamation")},
                                 {QStringLiteral("NoLabel"), QString()},
                                 {QStringLiteral("complete"), QStringLiteral("complete")}};

struct Rig {
    TFakeSoundPlayer player;
    TOBfAcousticSettings dialog{player, Sounds};
    Rig() { dialog.show(); }
    // A check box or radio button in a layout may be wider than its text, and a press at its
    // centre would miss it: click the indicator's side.
    void Click(QAbstractButton *b)
    {
        const QPoint at = b->isCheckable() ? QPoint(6, b->height() / 2) : b->rect().center();
        QTest::mouseClick(b, Qt::LeftButton, {}, at);
    }
};

QStringList EnabledControls(const TOBfAcousticSettings &d)
{
    QStringList names;
    for (QWidget *w : std::initializer_list<QWidget *>{
             d.rbSystemSound, d.cbSystemSounds, d.rbSoundFile, d.eSoundFile, d.bOpenSoundFile, d.bSoundTest,
             d.rbPlayOnce, d.rbPlayDuringAlarm, d.rbPlayUntilUserInterrupts, d.lRepeatIntervalInfo,
             d.seRepeatInterval, d.lRepeatIntervalUnit})
        if (w->isEnabled())
            names << w->objectName();
    return names;
}

} // namespace

TEST(AcousticDialog, TheListKeepsLabelledSoundsAndPreselectsExclamation)
{
    Rig r;
    ASSERT_EQ(r.dialog.cbSystemSounds->count(), 3);
    EXPECT_EQ(r.dialog.SoundAliases,
              (QStringList{QStringLiteral("SystemAsterisk"), QStringLiteral("SystemExclamation"),
                           QStringLiteral("complete")}));
    EXPECT_EQ(r.dialog.cbSystemSounds->currentText(), QStringLiteral("Exclamation"));
    EXPECT_TRUE(r.dialog.rbSystemSound->isChecked());
    EXPECT_EQ(r.dialog.seRepeatInterval->value(), 10);
}

TEST(AcousticDialog, FiveValuesInAndOut)
{
    struct Case {
        TAcousticSettings in;
        TAcousticSettings out;
    };
    const QString wav = QStringLiteral("/tmp/alarm.wav");
    using S = TSoundMode;
    using R = TRepeatMode;
    // A mode number out of range, as a broken file could once give, is read as the first mode.
    const auto badSound = static_cast<TSoundMode>(9);
    const auto badRepeat = static_cast<TRepeatMode>(7);
    const Case cases[] = {
        {{S::SystemSound, QStringLiteral("complete"), wav, 42, R::DuringAlarm},
         {S::SystemSound, QStringLiteral("complete"), wav, 42, R::DuringAlarm}},
        {{S::SoundFile, QStringLiteral("SystemAsterisk"), wav, 300, R::UntilUserInterrupt},
         {S::SoundFile, QStringLiteral("SystemAsterisk"), wav, 300, R::UntilUserInterrupt}},
        {{S::Disabled, QStringLiteral("SystemAsterisk"), QString(), 1, R::Once},
         {S::Disabled, QStringLiteral("SystemAsterisk"), QString(), 1, R::Once}},
        // an alias no longer registered, intervals out of range, modes out of range
        {{S::SystemSound, QStringLiteral("Gone"), wav, 0, badRepeat},
         {S::SystemSound, QStringLiteral("SystemExclamation"), wav, 10, R::Once}},
        {{badSound, QStringLiteral("systemasterisk"), wav, 500, R::DuringAlarm},
         {S::Disabled, QStringLiteral("SystemExclamation"), wav, 10, R::DuringAlarm}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in.SystemSound.toStdString());
        Rig r;
        r.dialog.SetSettings(c.in);
        const TAcousticSettings out = r.dialog.GetSettings();
        EXPECT_EQ(out.SoundMode, c.out.SoundMode);
        EXPECT_EQ(out.SystemSound, c.out.SystemSound);
        EXPECT_EQ(out.SoundFile, c.out.SoundFile);
        EXPECT_EQ(out.RepeatInterval, c.out.RepeatInterval);
        EXPECT_EQ(out.RepeatMode, c.out.RepeatMode);
    }
}

TEST(AcousticDialog, AnUnknownAliasFallsBackToTheFirstSoundWithoutExclamation)
{
    TFakeSoundPlayer player;
    TOBfAcousticSettings dialog(player, {{QStringLiteral("complete"), QStringLiteral("complete")},
                                         {QStringLiteral("bell"), QStringLiteral("bell")}});
    dialog.SetSystemSound(QStringLiteral("bell"));
    dialog.SetSystemSound(QStringLiteral("Gone"));
    EXPECT_EQ(dialog.GetSystemSound(), QStringLiteral("complete"));
    TOBfAcousticSettings none(player, QList<TSystemSound>{});
    EXPECT_EQ(none.GetSystemSound(), QString());
}

TEST(AcousticDialog, EnablingFollowsTheSwitchTheSoundKindAndTheRepetition)
{
    Rig r;
    TOBfAcousticSettings &d = r.dialog;
    // Disabled with "During alarm": everything off, the second repetition button checked.
    d.SetSettings({TSoundMode::Disabled, QString(), QString(), 10, TRepeatMode::DuringAlarm});
    EXPECT_FALSE(d.cbEnableAcoustic->isChecked());
    EXPECT_TRUE(d.rbPlayDuringAlarm->isChecked());
    EXPECT_EQ(EnabledControls(d), QStringList());
    d.SetRepeatMode(TRepeatMode::UntilUserInterrupt);
    EXPECT_EQ(EnabledControls(d), QStringList()) << "stays off while the switch is off";

    r.Click(d.cbEnableAcoustic);
    EXPECT_EQ(EnabledControls(d),
              (QStringList{QStringLiteral("rbSystemSound"), QStringLiteral("cbSystemSounds"),
                           QStringLiteral("rbSoundFile"), QStringLiteral("bSoundTest"),
                           QStringLiteral("rbPlayOnce"), QStringLiteral("rbPlayDuringAlarm"),
                           QStringLiteral("rbPlayUntilUserInterrupts"), QStringLiteral("lRepeatIntervalInfo"),
                           QStringLiteral("seRepeatInterval"), QStringLiteral("lRepeatIntervalUnit")}));
    r.Click(d.rbSoundFile);
    r.Click(d.rbPlayOnce);
    EXPECT_EQ(EnabledControls(d), (QStringList{QStringLiteral("rbSystemSound"), QStringLiteral("rbSoundFile"),
                                               QStringLiteral("eSoundFile"), QStringLiteral("bOpenSoundFile"),
                                               QStringLiteral("bSoundTest"), QStringLiteral("rbPlayOnce"),
                                               QStringLiteral("rbPlayDuringAlarm"),
                                               QStringLiteral("rbPlayUntilUserInterrupts")}));
    EXPECT_EQ(d.GetSoundMode(), TSoundMode::SoundFile);
    EXPECT_EQ(d.GetRepeatMode(), TRepeatMode::Once);
}

TEST(AcousticDialog, TestPlaysTheSelectedAliasOrTheTypedFile)
{
    Rig r;
    TOBfAcousticSettings &d = r.dialog;
    d.SetSettings({TSoundMode::SystemSound, QStringLiteral("complete"),
                   QStringLiteral("/sounds/typed by hand.wav"), 10, TRepeatMode::Once});
    r.Click(d.bSoundTest);
    d.cbSystemSounds->setCurrentIndex(0);
    r.Click(d.bSoundTest);
    r.Click(d.rbSoundFile);
    r.Click(d.bSoundTest);
    EXPECT_EQ(r.player.Played,
              (QStringList{QStringLiteral("alias:complete"), QStringLiteral("alias:SystemAsterisk"),
                           QStringLiteral("file:/sounds/typed by hand.wav")}));
    EXPECT_TRUE(d.isVisible()) << "the dialog stays open while the sound plays";
}

TEST(AcousticDialog, TheChooserTakesWaveFilesInAnyCaseOnly)
{
    struct Case {
        const char *chosen;
        const char *field; // afterwards
        bool error;
    };
    const Case cases[] = {
        {"/s/a.wav", "/s/a.wav", false}, {"/s/B.WAV", "/s/B.WAV", false}, {"/s/c.WaV", "/s/c.WaV", false},
        {"/s/d.mp3", "/old.wav", true},  {"/s/wav", "/old.wav", true},    {"", "/old.wav", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.chosen);
        Rig r;
        TOBfAcousticSettings &d = r.dialog;
        d.SetSettings({TSoundMode::SoundFile, QString(), QStringLiteral("/old.wav"), 10, TRepeatMode::Once});
        QString filterSeen;
        d.dlgOpenDialog = [&](QWidget *, const QString &filter, const QString &) {
            filterSeen = filter;
            return QString::fromLatin1(c.chosen);
        };
        QList<TDialogRequest> messages;
        TDialogAnswerScope answer([&](const TDialogRequest &m) {
            messages << m;
            return 1;
        });
        r.Click(d.bOpenSoundFile);
        EXPECT_EQ(filterSeen, QStringLiteral("Sound files (*.wav)|*.WAV"));
        EXPECT_EQ(d.eSoundFile->text(), QString::fromLatin1(c.field));
        ASSERT_EQ(messages.size(), c.error ? 1 : 0);
        if (c.error) {
            EXPECT_EQ(messages[0].Kind, TMsgKind::Error);
            EXPECT_EQ(messages[0].Text, QStringLiteral("Only *.wav files are allowed!"));
        }
    }
}

TEST(AcousticDialog, OkAndCancelCloseWithTheirResult)
{
    for (const bool ok : {true, false}) {
        Rig r;
        r.Click(ok ? r.dialog.bOk : r.dialog.bStorno);
        EXPECT_EQ(r.dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_FALSE(r.dialog.isVisible());
    }
}
