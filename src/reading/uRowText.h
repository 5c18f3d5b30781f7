#pragma once

// What a row of the main window and a row of the popup window show for one quantity:
// the value, state or error text, the unit, whether the reading failed, and the alarm text.

#include <QCoreApplication>
#include <QLocale>
#include <QString>

#include <cstdint>

class TLangQuan;

struct TRowText {
    QString Value;
    QString Unit;
    bool Failed = false; // the value reads as an error and is drawn in red
};

class TRowTexts
{
    Q_DECLARE_TR_FUNCTIONS(TOBfrOutputRow)

public:
    // A good reading: the state text of a binary input, CO2 level or relay output, the value
    // text of any other quantity, with its unit. A failed reading: no unit and the quantity's
    // error text, or "----" for a CO2 concentration still warming up (-9998).
    static TRowText Of(const TLangQuan &quantity, const QLocale &locale = QLocale::system());

    static QString LowAlarmText() { return tr("low alarm"); }
    static QString HighAlarmText() { return tr("high alarm"); }
    // The text of an alarm state with the given low and high texts: empty without alarm.
    static QString AlarmText(std::uint8_t alarmState, const QString &low, const QString &high);

    // The popup row turns red with yellow text while the reading failed or an alarm is on.
    static bool ShowsAlarmColours(const TLangQuan &quantity);
};
