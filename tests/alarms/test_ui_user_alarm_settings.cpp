// The user alarm settings dialog: its columns for the slots of a device, the limits typed
// in the quantity's unit and the locale's separator, OK and Cancel.
#include "alarms/uOBfUserAlarmSettings.h"
#include "alarms/uOBfrAnlgAlrmUserSettings.h"
#include "alarms/uOBfrBinUserSettings.h"
#include "base/uDialogs.h"
#include "model/uExceptions.h"
#include "model/uOBGlob.h"
#include "support_sim.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <array>
#include <gtest/gtest.h>

namespace
{

// Twenty slots, all absent until a test fills some.
struct Slots {
    std::array<TLangQuan, 20> q;

    TLangQuan &Set(int slot, int type, int unit, std::uint8_t mode, int number = 0)
    {
        q[static_cast<std::size_t>(slot)].SetQuanType(type);
        if (unit >= 0)
            q[static_cast<std::size_t>(slot)].SetQuanUnit(unit);
        q[static_cast<std::size_t>(slot)].AlarmMode = mode;
        q[static_cast<std::size_t>(slot)].Number = number;
        return q[static_cast<std::size_t>(slot)];
    }
    QList<TLangQuan *> List()
    {
        QList<TLangQuan *> l;
        for (TLangQuan &x : q)
            l << &x;
        return l;
    }
};

QStringList AnalogNames(const TfUserAlarmSettings &d)
{
    QStringList names;
    for (const TfrAnlgAlrmUserSettings *f : d.AnalogFrames)
        names << f->lQuantName->text();
    return names;
}

QStringList BinaryNames(const TfUserAlarmSettings &d)
{
    QStringList names;
    for (const TfrBinAlrmUserSettings *f : d.BinaryFrames)
        names << f->lQuantName->text();
    return names;
}

void Retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// A dialog built for slots and shown (so clicks reach its buttons), with every message
// caught instead of shown.
struct Shown {
    explicit Shown(const QList<TLangQuan *> &slots)
        : answer([this](const TDialogRequest &r) {
              messages << r;
              return 1;
          })
    {
        dialog.Connection = slots;
        dialog.BuildFrames();
        dialog.show();
    }
    void Ok() { QTest::mouseClick(dialog.bOk, Qt::LeftButton); }
    void Cancel() { QTest::mouseClick(dialog.bCancel, Qt::LeftButton); }

    QList<TDialogRequest> messages;
    TDialogAnswerScope answer;
    TfUserAlarmSettings dialog;
};

class LocaleScope
{
public:
    explicit LocaleScope(const QLocale &l) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

} // namespace

TEST(UserAlarmDialog, ColumnsForTheConnectedDevicesUserJudgedQuantitiesInSlotOrder)
{
    // An Ethernet Farvo behind an XPort older than 4.4.1: pressure by the user's limits,
    // the relays by the binary rule, everything else by the device.
    SimDevice d;
    QTemporaryDir dir;
    const QString scenario =
        ScenarioVariant(QStringLiteral("farvo-xport441-pressure-io.json"),
                        QJsonDocument::fromJson(R"({"xport": {"firmware": [4,4,0]}})").object(), dir);
    ASSERT_TRUE(d.start(scenario)) << d.sim.errorOutput().toStdString();
    ASSERT_EQ(d.connect(), TConnectOutcome::Connected) << d.conn.LastError.toStdString();

    TfUserAlarmSettings dialog;
    QList<TLangQuan *> slots;
    for (int i = 0; i < TDeviceConnection::QuantityCount; ++i)
        slots << &d.conn.GetQuantity(i);
    dialog.Connection = slots;
    dialog.BuildFrames();
    EXPECT_EQ(AnalogNames(dialog), QStringList{QStringLiteral("Atmospheric pressure")});
    EXPECT_EQ(BinaryNames(dialog),
              (QStringList{QStringLiteral("Relay output 1"), QStringLiteral("Relay output 2")}));
    ASSERT_EQ(dialog.AnalogFrames.size(), 1);
    EXPECT_EQ(dialog.AnalogFrames[0]->lHiLimUnit->text(), QStringLiteral("hPa"));
    EXPECT_EQ(dialog.AnalogFrames[0]->Quantity, &d.conn.GetQuantity(3));
    EXPECT_TRUE(dialog.bOk->isEnabled());
}

TEST(UserAlarmDialog, SerialFarvoGetsAnalogAndBinaryColumnsPlacedBesideTheHeadings)
{
    Slots s;
    s.Set(0, TQuantity::qtTemperature, 2, TLangQuan::amLimits);
    s.Set(1, TQuantity::qtRelativeHumidity, 4, TLangQuan::amLimits);
    s.Set(2, TQuantity::qtDewPoint, 2, TLangQuan::amDevice); // judged by the device: no column
    for (int i = 0; i < 3; ++i)
        s.Set(5 + i, TQuantity::qtBinaryInput, -1, TLangQuan::amBinary, i + 1);
    for (int i = 0; i < 2; ++i)
        s.Set(11 + i, TQuantity::qtRelayOutput, -1, TLangQuan::amBinary, i + 1);
    s.q[15].AlarmMode = TLangQuan::amLimits; // absent slot with a mode: no column

    TfUserAlarmSettings dialog;
    dialog.Connection = s.List();
    dialog.BuildFrames();
    EXPECT_EQ(AnalogNames(dialog),
              (QStringList{QStringLiteral("Temperature"), QStringLiteral("Relative humidity")}));
    EXPECT_EQ(BinaryNames(dialog),
              (QStringList{QStringLiteral("Binary input 1"), QStringLiteral("Binary input 2"),
                           QStringLiteral("Binary input 3"), QStringLiteral("Relay output 1"),
                           QStringLiteral("Relay output 2")}));
    const int w = TfrBinAlrmUserSettings::ColumnWidth;
    for (int i = 0; i < dialog.BinaryFrames.size(); ++i)
        EXPECT_EQ(dialog.BinaryFrames[i]->pos(), QPoint(w * i + 175, 7)) << i;
    EXPECT_EQ(dialog.AnalogFrames[1]->pos(), QPoint(TfrAnlgAlrmUserSettings::ColumnWidth + 175, 7));
    EXPECT_EQ(dialog.gbAnlg->width(), TfrAnlgAlrmUserSettings::ColumnWidth * 2 + 177);
    EXPECT_EQ(dialog.gbBin->width(), w * 5 + 177);
    EXPECT_EQ(dialog.width(), w * 5 + 177 + 22);
    // The row headings stand level with the edits and check boxes of the columns.
    const TfrAnlgAlrmUserSettings *a = dialog.AnalogFrames[0];
    EXPECT_EQ(dialog.lHyst->y(), a->mapTo(dialog.gbAnlg, a->eHyst->pos()).y());
    const TfrBinAlrmUserSettings *b = dialog.BinaryFrames[0];
    EXPECT_EQ(dialog.lLoBinAl->y(), b->mapTo(dialog.gbBin, b->cbOnOpening->pos()).y());
}

TEST(UserAlarmDialog, WithoutUserJudgedQuantitiesOnlyCancelCloses)
{
    Slots s;
    for (int i = 0; i < 5; ++i)
        s.Set(13 + i, TQuantity::qtTemperature, 2, TLangQuan::amDevice, i + 1);
    Shown shown(s.List());
    EXPECT_TRUE(shown.dialog.AnalogFrames.isEmpty());
    EXPECT_TRUE(shown.dialog.BinaryFrames.isEmpty());
    EXPECT_FALSE(shown.dialog.bOk->isEnabled());
    shown.Cancel();
    EXPECT_EQ(shown.dialog.result(), QDialog::Rejected);
}

TEST(UserAlarmDialog, UnitsAndDecimalsOfTheQuantity)
{
    struct Case {
        int type, unit;
        double hi, lo, hyst;
        const char *unitText, *hiText, *loText, *hystText;
    };
    const Case cases[] = {
        {TQuantity::qtTemperature, 3, 75.5, -4, 1.25, "°F", "75.5", "-4.0", "1.3"},
        {TQuantity::qtAbsoluteHumidity, 14, 20, 2.5, 0.5, "g/m³", "20.0", "2.5", "0.5"},
        {TQuantity::qtCO2Concentration, 13, 600, 0, 50, "ppm", "600", "0", "50"},
        {TQuantity::qtPressure, 12, 101.32, 95, 0.5, "kPa", "101.32", "95.00", "0.50"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.unitText);
        Slots s;
        TLangQuan &q = s.Set(0, c.type, c.unit, TLangQuan::amLimits);
        q.HiLim = c.hi;
        q.LoLim = c.lo;
        q.Hyst = c.hyst;
        TfrAnlgAlrmUserSettings frame(&q);
        for (const QLabel *l : {frame.lHiLimUnit, frame.lLoLimUnit, frame.lHystUnit})
            EXPECT_EQ(l->text(), QString::fromUtf8(c.unitText));
        EXPECT_EQ(frame.eHiLim->text(), QString::fromLatin1(c.hiText));
        EXPECT_EQ(frame.eLoLim->text(), QString::fromLatin1(c.loText));
        EXPECT_EQ(frame.eHyst->text(), QString::fromLatin1(c.hystText));
        EXPECT_EQ(frame.eHiLim->maxLength(), 6);
        EXPECT_EQ(frame.eHiLim->alignment() & Qt::AlignRight, Qt::AlignRight);
    }
}

TEST(UserAlarmDialog, TypingIsHeldToTheRangeAndDecimalsAndOkNamesWhatIsWrong)
{
    struct Case {
        const char *edit;
        const char *typed;
        const char *shows;   // what the edit holds after the keystrokes
        const char *message; // empty: accepted
    };
    const Case cases[] = {
        {"eHiLim", "35.5", "35.5", ""},
        {"eHiLim", "12.34", "12.3", ""}, // a second decimal is refused
        {"eHiLim", "3x5", "35", ""},     // letters are refused
        {"eLoLim", "-200", "-200", ""},  // the lower end
        {"eLoLim", "-201", "-201", "Enter a number from -200 to 600 (decimal places: at most 1)."},
        {"eHiLim", "600.1", "600.1", "Enter a number from -200 to 600 (decimal places: at most 1)."},
        {"eHiLim", "1234567", "123456", "Enter a number from -200 to 600 (decimal places: at most 1)."},
        {"eHiLim", "", "", "Enter a number from -200 to 600 (decimal places: at most 1)."},
        {"eHyst", "-5", "5", ""}, // no minus for the hysteresis
        {"eHyst", "600", "600", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " " + c.typed);
        Slots s;
        TLangQuan &q = s.Set(0, TQuantity::qtTemperature, 2, TLangQuan::amLimits);
        q.LimitsEnabled = true;
        q.HiLim = 30;
        q.LoLim = 10;
        q.Hyst = 1;
        Shown shown(s.List());
        auto *edit = shown.dialog.AnalogFrames[0]->findChild<QLineEdit *>(QString::fromLatin1(c.edit));
        ASSERT_NE(edit, nullptr);
        Retype(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.shows));
        shown.Ok();
        if (*c.message) {
            ASSERT_EQ(shown.messages.size(), 1);
            EXPECT_EQ(shown.messages[0].Kind, TMsgKind::Warning);
            EXPECT_EQ(shown.messages[0].Text,
                      QStringLiteral("Temperature: ") + QString::fromLatin1(c.message));
            EXPECT_TRUE(shown.dialog.isVisible()) << "stays open";
            EXPECT_EQ(q.HiLim, 30);
            EXPECT_EQ(q.LoLim, 10);
            EXPECT_EQ(q.Hyst, 1);
        } else {
            EXPECT_TRUE(shown.messages.isEmpty());
            EXPECT_EQ(shown.dialog.result(), QDialog::Accepted);
        }
    }
}

TEST(UserAlarmDialog, OkWritesEveryColumnAndCancelLeavesThem)
{
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        Slots s;
        TLangQuan &t = s.Set(0, TQuantity::qtTemperature, 2, TLangQuan::amLimits);
        t.HiLim = 30;
        t.LoLim = 10;
        t.Hyst = 1;
        TLangQuan &relay = s.Set(11, TQuantity::qtRelayOutput, -1, TLangQuan::amBinary, 1);
        relay.AlarmOnOpening = true;
        Shown shown(s.List());
        TfrAnlgAlrmUserSettings *a = shown.dialog.AnalogFrames[0];
        EXPECT_FALSE(a->eHiLim->isEnabled()) << "limits off: edits disabled";
        QTest::mouseClick(a->cbEnabled, Qt::LeftButton);
        EXPECT_TRUE(a->eHiLim->isEnabled());
        Retype(a->eHiLim, QStringLiteral("45.5"));
        Retype(a->eLoLim, QStringLiteral("-12.5"));
        Retype(a->eHyst, QStringLiteral("2"));
        TfrBinAlrmUserSettings *b = shown.dialog.BinaryFrames[0];
        EXPECT_TRUE(b->cbOnOpening->isChecked());
        QTest::mouseClick(b->cbOnClosing, Qt::LeftButton);
        QTest::mouseClick(b->cbOnOpening, Qt::LeftButton);
        ok ? shown.Ok() : shown.Cancel();
        EXPECT_FALSE(shown.dialog.isVisible());
        EXPECT_EQ(t.LimitsEnabled, ok);
        EXPECT_EQ(t.HiLim, ok ? 45.5 : 30);
        EXPECT_EQ(t.LoLim, ok ? -12.5 : 10);
        EXPECT_EQ(t.Hyst, ok ? 2 : 1);
        EXPECT_EQ(relay.AlarmOnClosing, ok);
        EXPECT_EQ(relay.AlarmOnOpening, !ok);
    }
}

TEST(UserAlarmDialog, UncheckingEnabledKeepsTheValuesAndOkStoresThemWithTheSwitchOff)
{
    Slots s;
    TLangQuan &t = s.Set(0, TQuantity::qtTemperature, 2, TLangQuan::amLimits);
    t.LimitsEnabled = true;
    t.HiLim = 30;
    Shown shown(s.List());
    TfrAnlgAlrmUserSettings *a = shown.dialog.AnalogFrames[0];
    Retype(a->eHiLim, QStringLiteral("31.5"));
    QTest::mouseClick(a->cbEnabled, Qt::LeftButton);
    for (const QLineEdit *e : {a->eHiLim, a->eLoLim, a->eHyst})
        EXPECT_FALSE(e->isEnabled()) << e->objectName().toStdString();
    EXPECT_EQ(a->eHiLim->text(), QStringLiteral("31.5"));
    shown.Ok();
    EXPECT_FALSE(t.LimitsEnabled);
    EXPECT_EQ(t.HiLim, 31.5);
}

TEST(UserAlarmDialog, CzechLocaleShowsAndTakesTheDecimalComma)
{
    const LocaleScope czech(QLocale(QLocale::Czech, QLocale::Czechia));
    Slots s;
    TLangQuan &t = s.Set(0, TQuantity::qtTemperature, 2, TLangQuan::amLimits);
    t.LimitsEnabled = true;
    t.HiLim = 25.5;
    t.LoLim = -1000; // out of the edit's range: shown, named on OK
    Shown shown(s.List());
    TfrAnlgAlrmUserSettings *a = shown.dialog.AnalogFrames[0];
    EXPECT_EQ(a->eHiLim->text(), QStringLiteral("25,5"));
    Retype(a->eHiLim, QStringLiteral("30,7"));
    EXPECT_EQ(a->eHiLim->text(), QStringLiteral("30,7"));
    shown.Ok();
    ASSERT_EQ(shown.messages.size(), 1);
    EXPECT_EQ(shown.messages[0].Text,
              QStringLiteral("Temperature: Enter a number from -200 to 600 (decimal places: at most 1)."));
    Retype(a->eLoLim, QStringLiteral("-3,5"));
    shown.Ok();
    EXPECT_EQ(shown.messages.size(), 1);
    EXPECT_EQ(t.HiLim, 30.7);
    EXPECT_EQ(t.LoLim, -3.5);
}

TEST(UserAlarmDialog, AColumnWithoutItsQuantityIsAnInternalError)
{
    try {
        TfrAnlgAlrmUserSettings frame(nullptr);
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral(
                      "[internal] TfrAnlgAlrmUserSettings.Create(Quant: TLangQuan) - Quant not assigned"));
    }
    EXPECT_THROW(TfrBinAlrmUserSettings(nullptr), Exception);
}
