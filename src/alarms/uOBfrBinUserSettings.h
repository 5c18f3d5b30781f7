#pragma once

// One column of the user alarm dialog for a binary input or relay output judged by the
// binary rule: whether closing and whether opening is an alarm.

#include <QFrame>

class QCheckBox;
class QLabel;
class TLangQuan;

class TfrBinAlrmUserSettings : public QFrame
{
    Q_OBJECT

public:
    static constexpr int ColumnWidth = 120; // room for names like "Atmospheric pressure"
    static constexpr int ColumnHeight = 70;
    static constexpr int OnClosingTop = 22;
    static constexpr int OnOpeningTop = 44;

    // Raises Exception when quant is null.
    TfrBinAlrmUserSettings(TLangQuan *quant, QWidget *parent = nullptr);

    TLangQuan *Quantity = nullptr;

    void LoadFromQuantity();
    void SaveToQuantity();

    QFrame *pMain = nullptr;
    QLabel *lQuantName = nullptr;
    QCheckBox *cbOnClosing = nullptr;
    QCheckBox *cbOnOpening = nullptr;
};
