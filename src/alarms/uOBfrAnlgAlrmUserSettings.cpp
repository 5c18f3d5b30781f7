#include "alarms/uOBfrAnlgAlrmUserSettings.h"

#include "alarms/uOBfrAlarmColumn.h"
#include "model/uExceptions.h"
#include "model/uOBGlob.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace
{

// Lets the edit take only what can still become a number of its range and decimals.
class TLimitValidator : public QValidator
{
public:
    TLimitValidator(TLimitRange range, int decimals, QObject *parent)
        : QValidator(parent), m_range(range), m_decimals(decimals)
    {
    }
    void SetDecimals(int decimals) { m_decimals = decimals; }

    State validate(QString &input, int &) const override
    {
        switch (TAlarmLimitText::Check(input, m_range, m_decimals, locale())) {
        case TAlarmLimitText::TState::Acceptable:
            return Acceptable;
        case TAlarmLimitText::TState::Intermediate:
            return Intermediate;
        case TAlarmLimitText::TState::Invalid:
            break;
        }
        return Invalid;
    }

private:
    TLimitRange m_range;
    int m_decimals;
};

TLimitValidator *ValidatorOf(const QLineEdit *edit)
{
    return static_cast<TLimitValidator *>(const_cast<QValidator *>(edit->validator()));
}

constexpr int EditLeft = 6;
constexpr int EditWidth = 60;
constexpr int RowHeight = 21;

} // namespace

TfrAnlgAlrmUserSettings::TfrAnlgAlrmUserSettings(TLangQuan *quant, QWidget *parent) : QFrame(parent)
{
    if (!quant)
        throw Exception(QStringLiteral(
            "[internal] TfrAnlgAlrmUserSettings.Create(Quant: TLangQuan) - Quant not assigned"));
    Quantity = quant;
    setObjectName(QStringLiteral("frAnlgAlrmUserSettings"));
    setFixedSize(ColumnWidth, ColumnHeight);

    pMain = AlarmColumn::CreatePanel(this, ColumnWidth, ColumnHeight);
    lQuantName = AlarmColumn::CreateTitle(pMain, ColumnWidth);

    cbEnabled = new QCheckBox(tr("Enabled"), pMain);
    cbEnabled->setObjectName(QStringLiteral("cbEnabled"));
    cbEnabled->setGeometry(EditLeft, 22, ColumnWidth - EditLeft - 2, RowHeight);
    connect(cbEnabled, &QCheckBox::clicked, this, &TfrAnlgAlrmUserSettings::cbEnabledClick);

    eHiLim = MakeEdit(QStringLiteral("eHiLim"), HiLimTop, TAlarmLimitText::LimitRange);
    lHiLimUnit = MakeUnitLabel(QStringLiteral("lHiLimUnit"), HiLimTop);
    eLoLim = MakeEdit(QStringLiteral("eLoLim"), LoLimTop, TAlarmLimitText::LimitRange);
    lLoLimUnit = MakeUnitLabel(QStringLiteral("lLoLimUnit"), LoLimTop);
    eHyst = MakeEdit(QStringLiteral("eHyst"), HystTop, TAlarmLimitText::HysteresisRange);
    lHystUnit = MakeUnitLabel(QStringLiteral("lHystUnit"), HystTop);

    LoadFromQuantity();
}

QLineEdit *TfrAnlgAlrmUserSettings::MakeEdit(const QString &name, int top, TLimitRange range)
{
    auto *edit = new QLineEdit(pMain);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setMaxLength(TAlarmLimitText::MaxChars);
    edit->setValidator(new TLimitValidator(range, 0, edit));
    edit->setGeometry(EditLeft, top, EditWidth, RowHeight);
    return edit;
}

QLabel *TfrAnlgAlrmUserSettings::MakeUnitLabel(const QString &name, int top)
{
    auto *label = new QLabel(pMain);
    label->setObjectName(name);
    label->setGeometry(EditLeft + EditWidth + 4, top, ColumnWidth - EditLeft - EditWidth - 6, RowHeight);
    return label;
}

void TfrAnlgAlrmUserSettings::LoadFromQuantity()
{
    AlarmColumn::SetTitleText(lQuantName, Quantity->GetName());
    const QString unit = Quantity->GetUnitSymbol();
    for (QLabel *label : {lHiLimUnit, lLoLimUnit, lHystUnit})
        label->setText(unit);
    cbEnabled->setChecked(Quantity->LimitsEnabled);
    cbEnabledClick();
    const int decimals = Quantity->GetDecimals();
    const QLocale locale;
    const std::pair<QLineEdit *, double> values[] = {
        {eHiLim, Quantity->HiLim}, {eLoLim, Quantity->LoLim}, {eHyst, Quantity->Hyst}};
    for (const auto &[edit, value] : values) {
        ValidatorOf(edit)->SetDecimals(decimals);
        edit->setText(TAlarmLimitText::Format(value, decimals, locale));
    }
}

TLimitRange TfrAnlgAlrmUserSettings::RangeOf(const QLineEdit *edit) const
{
    return edit == eHyst ? TAlarmLimitText::HysteresisRange : TAlarmLimitText::LimitRange;
}

QLineEdit *TfrAnlgAlrmUserSettings::FirstUnacceptableEdit() const
{
    for (QLineEdit *edit : {eHiLim, eLoLim, eHyst}) {
        if (!edit->isEnabled())
            continue;
        if (!TAlarmLimitText::Parse(edit->text(), RangeOf(edit), Quantity->GetDecimals(), QLocale()))
            return edit;
    }
    return nullptr;
}

QString TfrAnlgAlrmUserSettings::MessageFor(const QLineEdit *edit) const
{
    return TAlarmLimitText::RangeMessage(RangeOf(edit), Quantity->GetDecimals(), QLocale());
}

void TfrAnlgAlrmUserSettings::StoreEdit(const QLineEdit *edit, double &field) const
{
    if (const auto value =
            TAlarmLimitText::Parse(edit->text(), RangeOf(edit), Quantity->GetDecimals(), QLocale()))
        field = *value;
}

void TfrAnlgAlrmUserSettings::SaveToQuantity()
{
    Quantity->LimitsEnabled = cbEnabled->isChecked();
    StoreEdit(eHiLim, Quantity->HiLim);
    StoreEdit(eLoLim, Quantity->LoLim);
    StoreEdit(eHyst, Quantity->Hyst);
}

void TfrAnlgAlrmUserSettings::cbEnabledClick()
{
    const bool enabled = cbEnabled->isChecked();
    for (QLineEdit *edit : {eHiLim, eLoLim, eHyst})
        edit->setEnabled(enabled);
}
