#include "discovery/uXPortIPChangeGUI.h"

#include "base/uDialogs.h"
#include "comm/uTiming.h"
#include "discovery/IPEdit.h"
#include "discovery/uXPortIPChange.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace
{

TIPChangeRunner &Runner()
{
    static TIPChangeRunner runner = &TfXPortIPChangeGUI::RunChangeIP;
    return runner;
}

TMsgKind MessageKind(XPortSearchRules::TChangeBoxKind kind)
{
    switch (kind) {
    case XPortSearchRules::TChangeBoxKind::Warning:
        return TMsgKind::Warning;
    case XPortSearchRules::TChangeBoxKind::Information:
        return TMsgKind::Information;
    case XPortSearchRules::TChangeBoxKind::Error:
        break;
    }
    return TMsgKind::Error;
}

// The busy cursor for a scope.
class TBusyCursor
{
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

// How long a device gets to take its new address before the search window looks again.
constexpr std::uint32_t SettleMs = 1000;

} // namespace

TfXPortIPChangeGUI::TfXPortIPChangeGUI(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_texts(XPortSearchRules::DefaultIPChangeTexts())
{
    setObjectName(QStringLiteral("fXPortIPChangeGUI"));
    BuildControls();
}

void TfXPortIPChangeGUI::BuildControls()
{
    PnlBackground = new QFrame(this);
    PnlBackground->setObjectName(QStringLiteral("PnlBackground"));
    PnlMain = new QFrame(PnlBackground);
    PnlMain->setObjectName(QStringLiteral("PnlMain"));
    LabIPAddress = new QLabel(PnlMain);
    LabIPAddress->setObjectName(QStringLiteral("LabIPAddress"));
    IPEdtAddress = new TIPEdit(PnlMain);
    IPEdtAddress->setObjectName(QStringLiteral("IPEdtAddress"));
    LabMacAddress = new QLabel(PnlMain);
    LabMacAddress->setObjectName(QStringLiteral("LabMacAddress"));
    EdtMac = new QLineEdit(QStringLiteral("00-00-00-00-00-00"), PnlMain);
    EdtMac->setObjectName(QStringLiteral("EdtMac"));
    EdtMac->setMaxLength(17);
    ChbDHCP = new QCheckBox(QStringLiteral("DHCP"), PnlMain);
    ChbDHCP->setObjectName(QStringLiteral("ChbDHCP"));
    ChBARPOnly = new QCheckBox(PnlMain);
    ChBARPOnly->setObjectName(QStringLiteral("ChBARPOnly"));
    LabIPAddress->setBuddy(IPEdtAddress->Box(0));
    LabMacAddress->setBuddy(EdtMac);

    auto *main = new QGridLayout(PnlMain);
    main->addWidget(LabIPAddress, 0, 0);
    main->addWidget(IPEdtAddress, 1, 0);
    main->addWidget(LabMacAddress, 0, 1);
    main->addWidget(EdtMac, 1, 1);
    main->addWidget(ChbDHCP, 2, 0);
    main->addWidget(ChBARPOnly, 3, 0, 1, 2);

    PnlButtons = new QFrame(PnlBackground);
    PnlButtons->setObjectName(QStringLiteral("PnlButtons"));
    Bevel1 = new QFrame(PnlButtons);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    BBChange = new QPushButton(PnlButtons);
    BBChange->setObjectName(QStringLiteral("BBChange"));
    BBChange->setDefault(true);
    BBCancel = new QPushButton(PnlButtons);
    BBCancel->setObjectName(QStringLiteral("BBCancel"));
    BBCancel->setAutoDefault(false);

    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(BBChange);
    row->addWidget(BBCancel);
    auto *buttons = new QVBoxLayout(PnlButtons);
    buttons->addWidget(Bevel1);
    buttons->addLayout(row);

    auto *background = new QVBoxLayout(PnlBackground);
    background->addWidget(PnlMain);
    background->addWidget(PnlButtons);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(PnlBackground);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(IPEdtAddress->Box(0), EdtMac);
    setTabOrder(EdtMac, ChbDHCP);
    setTabOrder(ChbDHCP, ChBARPOnly);
    setTabOrder(ChBARPOnly, BBChange);
    setTabOrder(BBChange, BBCancel);

    connect(ChbDHCP, &QCheckBox::clicked, this, &TfXPortIPChangeGUI::ChbDHCPClick);
    connect(BBChange, &QPushButton::clicked, this, &TfXPortIPChangeGUI::BBChangeClick);
    connect(BBCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfXPortIPChangeGUI::SetTexts(const XPortSearchRules::TXPortIPChangeLangSupport &texts)
{
    m_texts = texts;
}

void TfXPortIPChangeGUI::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfXPortIPChangeGUI::FormShow()
{
    setWindowTitle(m_texts[0]);
    BBChange->setText(m_texts[1]);
    BBCancel->setText(m_texts[2]);
    LabIPAddress->setText(m_texts[3]);
    LabMacAddress->setText(m_texts[4]);
    ChBARPOnly->setText(m_texts[5]);
    IPEdtAddress->SetText(NewIP);
    EdtMac->setText(MacText);
    ChBARPOnly->setVisible(!AllAdapters);
    ChbDHCP->setVisible(DhcpVisible);
    IPEdtAddress->Box(0)->setFocus();
}

void TfXPortIPChangeGUI::ChbDHCPClick()
{
    const bool dhcp = ChbDHCP->isChecked();
    IPEdtAddress->SetText(m_dhcp.Toggle(dhcp, IPEdtAddress->Text()));
    if (dhcp)
        ChBARPOnly->setChecked(false);
    IPEdtAddress->setEnabled(!dhcp);
    ChBARPOnly->setEnabled(!dhcp);
}

void TfXPortIPChangeGUI::BBChangeClick()
{
    TXPortIPChange change;
    hide();
    change.SetMessages(XPortSearchRules::ChangeMessagesOf(m_texts));
    MacText = EdtMac->text();
    NewIP = IPEdtAddress->Text();
    int code = TXPortIPChange::Failed;
    QString message;
    bool success = false;
    {
        TBusyCursor busy;
        change.AllAdapters = AllAdapters;
        // The check box chooses the neighbour-table method; in help mode it is not offered.
        change.ArpMode = !AllAdapters && ChBARPOnly->isChecked();
        success = ChangeRunner()(change, MacText, NewIP, code, message, LocalAddress);
        setResult(success ? QDialog::Accepted : QDialog::Rejected);
        if (success)
            PumpDelay(SettleMs);
    }
    TDialogs::ShowMessageKind(message, MessageKind(XPortSearchRules::ChangeBoxKind(code)));
    done(success ? QDialog::Accepted : QDialog::Rejected);
}

bool TfXPortIPChangeGUI::RunChangeIP(TXPortIPChange &change, const QString &mac, const QString &address,
                                     int &code, QString &message, const QString &localAddress)
{
    return change.ChangeIP(mac, address, code, message, localAddress);
}

void TfXPortIPChangeGUI::SetChangeRunner(TIPChangeRunner runner)
{
    Runner() = runner ? std::move(runner) : TIPChangeRunner(&TfXPortIPChangeGUI::RunChangeIP);
}

const TIPChangeRunner &TfXPortIPChangeGUI::ChangeRunner()
{
    return Runner();
}

TIPChangeRunnerScope::TIPChangeRunnerScope(TIPChangeRunner runner)
    : m_previous(TfXPortIPChangeGUI::ChangeRunner())
{
    TfXPortIPChangeGUI::SetChangeRunner(std::move(runner));
}

TIPChangeRunnerScope::~TIPChangeRunnerScope()
{
    TfXPortIPChangeGUI::SetChangeRunner(std::move(m_previous));
}
