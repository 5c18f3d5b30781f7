#include "alarms/uOBfrBinUserSettings.h"

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

    pMain = new QFrame(this);
    pMain->setObjectName(QStringLiteral("pMain"));
    pMain->setFrameShape(QFrame::Panel);
    pMain->setFrameShadow(QFrame::Raised);
    pMain->setGeometry(0, 0, ColumnWidth, ColumnHeight);

    lQuantName = new QLabel(pMain);
    lQuantName->setObjectName(QStringLiteral("lQuantName"));
    lQuantName->setAlignment(Qt::AlignCenter);
    lQuantName->setAutoFillBackground(true);
    lQuantName->setStyleSheet(QStringLiteral("background-color: grey; color: white;"));
    lQuantName->setGeometry(2, 2, ColumnWidth - 4, 18);

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
    lQuantName->setText(Quantity->GetName());
    cbOnClosing->setChecked(Quantity->AlarmOnClosing);
    cbOnOpening->setChecked(Quantity->AlarmOnOpening);
}

void TfrBinAlrmUserSettings::SaveToQuantity()
{
    Quantity->AlarmOnClosing = cbOnClosing->isChecked();
    Quantity->AlarmOnOpening = cbOnOpening->isChecked();
}
