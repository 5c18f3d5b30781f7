#pragma once

// The popup window settings dialog: colours, size, on-top opacity, title bar, layout of the
// quantities, quantity titles and automatic placement. The dialog only edits its chosen
// values; ApplyPopupSettings puts them on the popup window after OK.
//
//   ShowPopupSettings(this, popup, reader != nullptr);   // from the main window's menu

#include <QColor>
#include <QDialog>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class TOBfSmartOutput;

// The eight settings as the popup window keeps them (colours as 0x00BBGGRR).
struct TPopupLook {
    std::uint32_t FontColor = 0;
    std::uint32_t BackColor = 0;
    int Size = 0; // 0 Small, 1 Medium, 2 Large
    int Opacity = 100;
    bool TitleVisible = true;
    bool Horizontal = false;
    bool QuantityTitles = true;
    bool AutoPos = true;

    bool operator==(const TPopupLook &) const = default;
};

class TOBfPopupSettings : public QDialog
{
    Q_OBJECT

public:
    // Picks a colour starting from the given one; an invalid colour means cancelled.
    using TColorChooser = std::function<QColor(QWidget *parent, const QColor &initial)>;

    explicit TOBfPopupSettings(QWidget *parent = nullptr);

    TPopupLook Initial; // set before showing
    TPopupLook Chosen;  // the controls' values; equal to Initial when shown

    TColorChooser cdColorDlg;

    QLabel *lBgColor = nullptr;
    QFrame *pBgColor = nullptr;
    QPushButton *bBgColor = nullptr;
    QLabel *lFontColor = nullptr;
    QFrame *pFontColor = nullptr;
    QPushButton *bFontColor = nullptr;
    QLabel *lSize = nullptr;
    QComboBox *cbSize = nullptr;
    QLabel *lTransparency = nullptr;
    QSlider *tbTransparency = nullptr;
    QLabel *lTransparencyValue = nullptr;
    QLabel *lTransparencyInfo = nullptr;
    QLabel *lTitleVisible = nullptr;
    QCheckBox *cbTitleVisible = nullptr;
    QLabel *lQLayOut = nullptr;
    QRadioButton *rbHorizontally = nullptr;
    QRadioButton *rbVertically = nullptr;
    QLabel *lQuantTitlesVisible = nullptr;
    QCheckBox *cbQuantsVisible = nullptr;
    QLabel *lPosition = nullptr;
    QRadioButton *rbPosAuto = nullptr;
    QRadioButton *rbPosCustom = nullptr;
    QPushButton *bOk = nullptr;
    QPushButton *bCancel = nullptr;

    // Sets every control from Initial and makes Chosen equal to it.
    void FormShow();

public Q_SLOTS:
    void bColorClick();
    void cbSizeChange();
    void tbTransparencyChange();
    void cbTitleVisibleClick();
    void QuantityLayoutClick();
    void cbQuantsVisibleClick();
    void rbPositionClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void ShowColor(QFrame *swatch, std::uint32_t bgr);
};

QColor ColorOfBgr(std::uint32_t bgr);
std::uint32_t BgrOfColor(const QColor &color);

// The popup window's current settings.
TPopupLook PopupLookOf(const TOBfSmartOutput &popup);

// Puts the chosen settings on the popup window as OK does: colours, the size when it
// changed, the opacity (at once when the popup stays on top; when it is hidable and a
// measurement runs, it shows at full opacity and fades), title bar, layout, quantity titles,
// size, placement mode, and places it.
void ApplyPopupSettings(TOBfSmartOutput &popup, const TPopupLook &initial, const TPopupLook &chosen,
                        bool measurementRunning);

// Shows the dialog with the popup's settings; after OK applies the chosen ones and returns
// true. After Cancel the popup is left as it was.
bool ShowPopupSettings(QWidget *parent, TOBfSmartOutput &popup, bool measurementRunning);
