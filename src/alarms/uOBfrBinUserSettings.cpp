#include "alarms/uOBfrBinUserSettings.h"

#include "alarms/uOBfrAlarmColumn.h"
#include "model/uExceptions.h"
#include "model/uOBGlob.h"

#include <QCheckBox>
#include <QLabel>

TfrBinAlrmUserSettings::TfrBinAlrmUserSettings(TLangQuan *quant, QWidget *parent) : QFrame(parent)
{
    if (!quant)
        throw Exception(QStringLiteral(
            "[internal] TfrBinAlrmUserSettings.Create(Quant: TLangQuan) - Quant not assigned"));
    Quantity = quant;
    setObjectName(QStringLiteral("frBinAlrmUserSettings"));
    setFixedSize(ColumnWidth, ColumnHeight);

    pMain = AlarmColumn::CreatePanel(this, ColumnWidth, ColumnHeight);
    lQuantName = AlarmColumn::CreateTitle(pMain, ColumnWidth);

    cbOnClosing = new QCheckBox(tr("On closing"), pMain);
    cbOnClosing->setObjectName(QStringLiteral("cbOnClosing"));
    cbOnClosing->setGeometry(6, OnClosingTop, ColumnWidth - 8, 21);
    cbOnOpening = new QCheckBox(tr("On opening"), pMain);
    cbOnOpening->setObjectName(QStringLiteral("cbOnOpening"));
    cbOnOpening->setGeometry(6, OnOpeningTop, ColumnWidth - 8, 21);

    LoadFromQuantity();
}

void TfrBinAlrmUserSettings::LoadFromQuantity()
{
    AlarmColumn::SetTitleText(lQuantName, Quantity->GetName());
    cbOnClosing->setChecked(Quantity->AlarmOnClosing);
    cbOnOpening->setChecked(Quantity->AlarmOnOpening);
}

void TfrBinAlrmUserSettings::SaveToQuantity()
{
    Quantity->AlarmOnClosing = cbOnClosing->isChecked();
    Quantity->AlarmOnOpening = cbOnOpening->isChecked();
}
