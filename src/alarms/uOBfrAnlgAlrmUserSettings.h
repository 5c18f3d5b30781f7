#pragma once

// One column of the user alarm dialog for a quantity judged by the user's limits: the
// enabled switch and the upper limit, lower limit and hysteresis in the quantity's unit.

#include "alarms/uAlarmLimitText.h"

#include <QFrame>

class QCheckBox;
class QLabel;
class QLineEdit;
class TLangQuan;

class TfrAnlgAlrmUserSettings : public QFrame
{
    Q_OBJECT

public:
    static constexpr int ColumnWidth = 120; // room for names like "Atmospheric pressure"
    static constexpr int ColumnHeight = 118;
    // The tops of the three edits within the column, for the row headings beside them.
    static constexpr int HiLimTop = 44;
    static constexpr int LoLimTop = 68;
    static constexpr int HystTop = 92;

    // Raises Exception when quant is null.
    TfrAnlgAlrmUserSettings(TLangQuan *quant, QWidget *parent = nullptr);

    TLangQuan *Quantity = nullptr;

    void LoadFromQuantity();
    // The edits' values into the quantity; an enabled edit must be acceptable (see
    // FirstUnacceptableEdit), a disabled one that is not leaves its field as it was.
    void SaveToQuantity();
    // The first enabled edit whose text is not an acceptable number, or null.
    QLineEdit *FirstUnacceptableEdit() const;
    // The message for that edit's range and decimals.
    QString MessageFor(const QLineEdit *edit) const;

    QFrame *pMain = nullptr;
    QLabel *lQuantName = nullptr;
    QCheckBox *cbEnabled = nullptr;
    QLineEdit *eHiLim = nullptr;
    QLabel *lHiLimUnit = nullptr;
    QLineEdit *eLoLim = nullptr;
    QLabel *lLoLimUnit = nullptr;
    QLineEdit *eHyst = nullptr;
    QLabel *lHystUnit = nullptr;

public Q_SLOTS:
    void cbEnabledClick();

private:
    QLineEdit *MakeEdit(const QString &name, int top, TLimitRange range);
    QLabel *MakeUnitLabel(const QString &name, int top);
    TLimitRange RangeOf(const QLineEdit *edit) const;
    void StoreEdit(const QLineEdit *edit, double &field) const;
};
