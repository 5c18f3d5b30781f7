#include "alarms/uOBfUserAlarmSettings.h"

#include "alarms/uOBfrAnlgAlrmUserSettings.h"
#include "alarms/uOBfrBinUserSettings.h"
#include "base/uDialogs.h"
#include "connection/uDeviceConnection.h"
#include "model/uOBGlob.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace
{

constexpr int HeadingsWidth = 175; // the row headings left of the first column
constexpr int ColumnTop = 7;
constexpr int GroupExtra = 177;
constexpr int DialogExtra = 22;
constexpr int Margin = 8;
constexpr int ButtonsHeight = 40;

bool Present(const TLangQuan *q)
{
    return q && q->GetQuanType() != 0;
}

QLabel *Heading(const QString &name, const QString &text, QWidget *parent, int top)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(Margin, top, HeadingsWidth - 2 * Margin, 21);
    return label;
}

} // namespace

TfUserAlarmSettings::TfUserAlarmSettings(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fUserAlarmSettings"));
    setWindowTitle(tr("User alarm settings"));

    pMain = new QWidget(this);
    pMain->setObjectName(QStringLiteral("pMain"));

    gbAnlg = new QGroupBox(tr("Alarms of analog values"), pMain);
    gbAnlg->setObjectName(QStringLiteral("gbAnlg"));
    lHiLim = Heading(QStringLiteral("lHiLim"), tr("Upper limit:"), gbAnlg,
                     ColumnTop + TfrAnlgAlrmUserSettings::HiLimTop);
    lLoLim = Heading(QStringLiteral("lLoLim"), tr("Lower limit:"), gbAnlg,
                     ColumnTop + TfrAnlgAlrmUserSettings::LoLimTop);
    lHyst = Heading(QStringLiteral("lHyst"), tr("Hysteresis:"), gbAnlg,
                    ColumnTop + TfrAnlgAlrmUserSettings::HystTop);

    gbBin = new QGroupBox(tr("Alarms of binary values"), pMain);
    gbBin->setObjectName(QStringLiteral("gbBin"));
    lHiBinAl = Heading(QStringLiteral("lHiBinAl"), tr("High alarm:"), gbBin,
                       ColumnTop + TfrBinAlrmUserSettings::OnClosingTop);
    lLoBinAl = Heading(QStringLiteral("lLoBinAl"), tr("Low alarm:"), gbBin,
                       ColumnTop + TfrBinAlrmUserSettings::OnOpeningTop);

    pButtons = new QWidget(this);
    pButtons->setObjectName(QStringLiteral("pButtons"));
    bOk = new QPushButton(tr("OK"), pButtons);
    bOk->setObjectName(QStringLiteral("bOk"));
    bOk->setDefault(true);
    bCancel = new QPushButton(tr("Cancel"), pButtons);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    connect(bOk, &QPushButton::clicked, this, &TfUserAlarmSettings::bOkClick);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);

    PlaceGroups();
}

void TfUserAlarmSettings::BuildFrames()
{
    for (TLangQuan *q : Connection)
        if (Present(q) && q->AlarmMode == TLangQuan::amLimits)
            AnalogFrames << new TfrAnlgAlrmUserSettings(q, gbAnlg);
    for (TLangQuan *q : Connection)
        if (Present(q) && q->AlarmMode == TLangQuan::amBinary)
            BinaryFrames << new TfrBinAlrmUserSettings(q, gbBin);

    for (int i = 0; i < AnalogFrames.size(); ++i)
        AnalogFrames[i]->move(TfrAnlgAlrmUserSettings::ColumnWidth * i + HeadingsWidth, ColumnTop);
    for (int i = 0; i < BinaryFrames.size(); ++i)
        BinaryFrames[i]->move(TfrBinAlrmUserSettings::ColumnWidth * i + HeadingsWidth, ColumnTop);
    bOk->setEnabled(!AnalogFrames.isEmpty() || !BinaryFrames.isEmpty());
    PlaceGroups();
}

void TfUserAlarmSettings::PlaceGroups()
{
    const int anlgWidth =
        TfrAnlgAlrmUserSettings::ColumnWidth * static_cast<int>(AnalogFrames.size()) + GroupExtra;
    const int binWidth =
        TfrBinAlrmUserSettings::ColumnWidth * static_cast<int>(BinaryFrames.size()) + GroupExtra;
    const int anlgHeight = ColumnTop + TfrAnlgAlrmUserSettings::ColumnHeight + Margin;
    const int binHeight = ColumnTop + TfrBinAlrmUserSettings::ColumnHeight + Margin;
    gbAnlg->setGeometry(Margin, Margin, anlgWidth, anlgHeight);
    gbBin->setGeometry(Margin, Margin + anlgHeight + Margin, binWidth, binHeight);
    const int width = std::max(anlgWidth, binWidth) + DialogExtra;
    const int mainHeight = 3 * Margin + anlgHeight + binHeight;
    pMain->setGeometry(0, 0, width, mainHeight);
    pButtons->setGeometry(0, mainHeight, width, ButtonsHeight);
    constexpr int buttonWidth = 80;
    bCancel->setGeometry(width - Margin - buttonWidth, 8, buttonWidth, 25);
    bOk->setGeometry(width - 2 * (Margin + buttonWidth), 8, buttonWidth, 25);
    setFixedSize(width, mainHeight + ButtonsHeight);
}

void TfUserAlarmSettings::showEvent(QShowEvent *event)
{
    // Centred on the screen rather than on the owner.
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TfUserAlarmSettings::bOkClick()
{
    for (const TfrAnlgAlrmUserSettings *frame : AnalogFrames) {
        if (QLineEdit *edit = frame->FirstUnacceptableEdit()) {
            TDialogs::ShowMessageKind(frame->Quantity->GetName() + QStringLiteral(": ") +
                                          frame->MessageFor(edit),
                                      TMsgKind::Warning);
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    for (TfrAnlgAlrmUserSettings *frame : AnalogFrames)
        frame->SaveToQuantity();
    for (TfrBinAlrmUserSettings *frame : BinaryFrames)
        frame->SaveToQuantity();
    accept();
}

bool ShowUserAlarmSettings(QWidget *parent, const QList<TLangQuan *> &slots)
{
    TfUserAlarmSettings dialog(parent);
    dialog.Connection = slots;
    dialog.BuildFrames();
    return dialog.exec() == QDialog::Accepted;
}

bool ShowUserAlarmSettings(QWidget *parent, TDeviceConnection &device)
{
    QList<TLangQuan *> slots;
    for (int i = 0; i < TDeviceConnection::QuantityCount; ++i)
        slots << &device.GetQuantity(i);
    return ShowUserAlarmSettings(parent, slots);
}
