#include "shell/uOBfPopupSettings.h"

#include "reading/uOBfSmartOutput.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace
{

constexpr int MinOpacity = 25;
constexpr int MaxOpacity = 100;

template <typename T> T *Named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QColor DefaultColorChooser(QWidget *parent, const QColor &initial)
{
    return QColorDialog::getColor(initial, parent);
}

} // namespace

QColor ColorOfBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t BgrOfColor(const QColor &color)
{
    return static_cast<std::uint32_t>(color.red()) | (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

TOBfPopupSettings::TOBfPopupSettings(QWidget *parent) : QDialog(parent), cdColorDlg(DefaultColorChooser)
{
    setObjectName(QStringLiteral("OBfPopupSettings"));
    setWindowTitle(tr("Popup window settings"));
    BuildControls();
}

void TOBfPopupSettings::BuildControls()
{
    auto swatch = [this](const char *name) {
        auto *p = Named(new QFrame(this), name);
        p->setFrameShape(QFrame::Panel);
        p->setFrameShadow(QFrame::Sunken);
        p->setAutoFillBackground(true);
        p->setFixedSize(40, 21);
        return p;
    };
    lBgColor = Named(new QLabel(tr("Background color:"), this), "lBgColor");
    pBgColor = swatch("pBgColor");
    bBgColor = Named(new QPushButton(QStringLiteral("..."), this), "bBgColor");
    lFontColor = Named(new QLabel(tr("Font color:"), this), "lFontColor");
    pFontColor = swatch("pFontColor");
    bFontColor = Named(new QPushButton(QStringLiteral("..."), this), "bFontColor");
    lSize = Named(new QLabel(tr("Size:"), this), "lSize");
    cbSize = Named(new QComboBox(this), "cbSize");
    cbSize->addItems({tr("Small"), tr("Medium"), tr("Large")});
    lTransparency = Named(new QLabel(tr("On top Opacity:"), this), "lTransparency");
    tbTransparency = Named(new QSlider(Qt::Horizontal, this), "tbTransparency");
    tbTransparency->setRange(MinOpacity, MaxOpacity);
    tbTransparency->setPageStep(10);
    lTransparencyValue = Named(new QLabel(this), "lTransparencyValue");
    lTransparencyInfo =
        Named(new QLabel(tr("applicable only when popup window is set On top"), this), "lTransparencyInfo");
    lTitleVisible = Named(new QLabel(tr("Title and border visible:"), this), "lTitleVisible");
    cbTitleVisible = Named(new QCheckBox(this), "cbTitleVisible");
    lQLayOut = Named(new QLabel(tr("Quantities lay-out:"), this), "lQLayOut");
    rbHorizontally = Named(new QRadioButton(tr("Horizontally"), this), "rbHorizontally");
    rbVertically = Named(new QRadioButton(tr("Vertically"), this), "rbVertically");
    lQuantTitlesVisible = Named(new QLabel(tr("Quantity titles visible:"), this), "lQuantTitlesVisible");
    cbQuantsVisible = Named(new QCheckBox(this), "cbQuantsVisible");
    lPosition = Named(new QLabel(tr("Position:"), this), "lPosition");
    rbPosAuto = Named(new QRadioButton(tr("Auto - left bottom corner"), this), "rbPosAuto");
    rbPosCustom = Named(new QRadioButton(tr("Remember custom position"), this), "rbPosCustom");
    bOk = Named(new QPushButton(tr("OK"), this), "bOk");
    bOk->setDefault(true);
    bCancel = Named(new QPushButton(tr("Cancel"), this), "bCancel");

    auto *layoutGroup = new QButtonGroup(this);
    layoutGroup->addButton(rbHorizontally);
    layoutGroup->addButton(rbVertically);
    auto *positionGroup = new QButtonGroup(this);
    positionGroup->addButton(rbPosAuto);
    positionGroup->addButton(rbPosCustom);

    auto *grid = new QGridLayout;
    auto colorRow = [](QFrame *swatch, QPushButton *button) {
        auto *row = new QHBoxLayout;
        row->addWidget(swatch);
        row->addWidget(button);
        row->addStretch();
        return row;
    };
    int r = 0;
    grid->addWidget(lBgColor, r, 0);
    grid->addLayout(colorRow(pBgColor, bBgColor), r++, 1);
    grid->addWidget(lFontColor, r, 0);
    grid->addLayout(colorRow(pFontColor, bFontColor), r++, 1);
    grid->addWidget(lSize, r, 0);
    grid->addWidget(cbSize, r++, 1);
    auto *opacity = new QHBoxLayout;
    opacity->addWidget(tbTransparency);
    opacity->addWidget(lTransparencyValue);
    grid->addWidget(lTransparency, r, 0);
    grid->addLayout(opacity, r++, 1);
    grid->addWidget(lTransparencyInfo, r++, 1);
    grid->addWidget(lTitleVisible, r, 0);
    grid->addWidget(cbTitleVisible, r++, 1);
    grid->addWidget(lQLayOut, r, 0);
    grid->addWidget(rbHorizontally, r++, 1);
    grid->addWidget(rbVertically, r++, 1);
    grid->addWidget(lQuantTitlesVisible, r, 0);
    grid->addWidget(cbQuantsVisible, r++, 1);
    grid->addWidget(lPosition, r, 0);
    grid->addWidget(rbPosAuto, r++, 1);
    grid->addWidget(rbPosCustom, r++, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOk);
    buttons->addWidget(bCancel);
    auto *main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(bBgColor, &QPushButton::clicked, this, &TOBfPopupSettings::bColorClick);
    connect(bFontColor, &QPushButton::clicked, this, &TOBfPopupSettings::bColorClick);
    connect(cbSize, &QComboBox::currentIndexChanged, this, &TOBfPopupSettings::cbSizeChange);
    connect(tbTransparency, &QSlider::valueChanged, this, &TOBfPopupSettings::tbTransparencyChange);
    connect(cbTitleVisible, &QCheckBox::clicked, this, &TOBfPopupSettings::cbTitleVisibleClick);
    connect(rbHorizontally, &QRadioButton::clicked, this, &TOBfPopupSettings::QuantityLayoutClick);
    connect(rbVertically, &QRadioButton::clicked, this, &TOBfPopupSettings::QuantityLayoutClick);
    connect(cbQuantsVisible, &QCheckBox::clicked, this, &TOBfPopupSettings::cbQuantsVisibleClick);
    connect(rbPosAuto, &QRadioButton::clicked, this, &TOBfPopupSettings::rbPositionClick);
    connect(rbPosCustom, &QRadioButton::clicked, this, &TOBfPopupSettings::rbPositionClick);
    connect(bOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOBfPopupSettings::ShowColor(QFrame *swatch, std::uint32_t bgr)
{
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, ColorOfBgr(bgr));
    swatch->setPalette(palette);
}

void TOBfPopupSettings::FormShow()
{
    // The handlers below would copy each control as it is set; the chosen values are
    // settled once at the end instead, so an opacity outside the track bar's range stays.
    const QSignalBlocker blockSize(cbSize);
    const QSignalBlocker blockOpacity(tbTransparency);
    ShowColor(pFontColor, Initial.FontColor);
    ShowColor(pBgColor, Initial.BackColor);
    cbSize->setCurrentIndex(std::clamp(Initial.Size, 0, 2));
    tbTransparency->setValue(std::clamp(Initial.Opacity, MinOpacity, MaxOpacity));
    lTransparencyValue->setText(QString::number(tbTransparency->value()) + QLatin1Char('%'));
    cbTitleVisible->setChecked(Initial.TitleVisible);
    cbQuantsVisible->setChecked(Initial.QuantityTitles);
    (Initial.Horizontal ? rbHorizontally : rbVertically)->setChecked(true);
    (Initial.AutoPos ? rbPosAuto : rbPosCustom)->setChecked(true);
    Chosen = Initial;
}

void TOBfPopupSettings::showEvent(QShowEvent *event)
{
    FormShow();
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TOBfPopupSettings::bColorClick()
{
    const bool font = sender() == bFontColor;
    std::uint32_t &chosen = font ? Chosen.FontColor : Chosen.BackColor;
    const QColor picked = cdColorDlg(this, ColorOfBgr(chosen));
    if (!picked.isValid())
        return;
    chosen = BgrOfColor(picked);
    ShowColor(font ? pFontColor : pBgColor, chosen);
}

void TOBfPopupSettings::cbSizeChange()
{
    Chosen.Size = cbSize->currentIndex();
}

void TOBfPopupSettings::tbTransparencyChange()
{
    Chosen.Opacity = tbTransparency->value();
    lTransparencyValue->setText(QString::number(tbTransparency->value()) + QLatin1Char('%'));
}

void TOBfPopupSettings::cbTitleVisibleClick()
{
    Chosen.TitleVisible = cbTitleVisible->isChecked();
}

void TOBfPopupSettings::QuantityLayoutClick()
{
    Chosen.Horizontal = rbHorizontally->isChecked();
}

void TOBfPopupSettings::cbQuantsVisibleClick()
{
    Chosen.QuantityTitles = cbQuantsVisible->isChecked();
}

void TOBfPopupSettings::rbPositionClick()
{
    Chosen.AutoPos = rbPosAuto->isChecked();
}

TPopupLook PopupLookOf(const TOBfSmartOutput &popup)
{
    return {popup.TextColor(),    popup.BackColor(),  popup.RowSize(),        popup.Transparency(),
            popup.TitleVisible(), popup.Horizontal(), popup.QuantityTitles(), popup.AutoPos()};
}

void ApplyPopupSettings(TOBfSmartOutput &popup, const TPopupLook &initial, const TPopupLook &chosen,
                        bool measurementRunning)
{
    popup.SetTextColor(chosen.FontColor);
    popup.SetBackColor(chosen.BackColor);
    if (chosen.Size != initial.Size)
        popup.SetRowSize(chosen.Size);
    popup.SetTransparency(chosen.Opacity);
    if (!popup.PopupHidable())
        popup.ApplyTransparency();
    else if (measurementRunning)
        popup.StartFade(); // shown where it belongs, fully opaque, fading from now
    popup.SetTitleVisible(chosen.TitleVisible);
    popup.SetHorizontal(chosen.Horizontal);
    popup.SetQuantityTitles(chosen.QuantityTitles);
    popup.SetRowSize(chosen.Size);
    popup.SetAutoPos(chosen.AutoPos);
    popup.PlaceWindow();
}

bool ShowPopupSettings(QWidget *parent, TOBfSmartOutput &popup, bool measurementRunning)
{
    TOBfPopupSettings dialog(parent);
    dialog.Initial = PopupLookOf(popup);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ApplyPopupSettings(popup, dialog.Initial, dialog.Chosen, measurementRunning);
    return true;
}
