#include "connection/uOBfrConnection.h"

#include "base/uApplicationSpecifical.h"
#include "base/uDialogs.h"
#include "connection/uOBfrConnPars.h"
#include "discovery/IPEdit.h"
#include "discovery/uXPortSearchGUI.h"
#include "model/uOBGlob.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace
{

// The hourglass for as long as it lives, or until Restore.
class TBusyCursor
{
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { Restore(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;

    void Restore()
    {
        if (m_active)
            QApplication::restoreOverrideCursor();
        m_active = false;
    }

private:
    bool m_active = true;
};

// Marks a running connect or disconnect for as long as it lives.
class TBusyFlag
{
public:
    explicit TBusyFlag(bool &flag) : m_flag(flag) { m_flag = true; }
    ~TBusyFlag() { m_flag = false; }
    TBusyFlag(const TBusyFlag &) = delete;
    TBusyFlag &operator=(const TBusyFlag &) = delete;

private:
    bool &m_flag;
};

QFrame *NamedPanel(const QString &name, QWidget *parent)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(name);
    return panel;
}

QRadioButton *Radio(const QString &name, const QString &caption, QWidget *parent)
{
    auto *rb = new QRadioButton(caption, parent);
    rb->setObjectName(name);
    return rb;
}

} // namespace

TOBfrConnection::TOBfrConnection(TErrMessageList &errors, QWidget *parent) : QFrame(parent), m_device(errors)
{
    setObjectName(QStringLiteral("frConnection"));
    BuildControls();
    rbEthernet->setChecked(true);
    for (QRadioButton *rb : {rbEthernet, rbRs232, rbRs485}) {
        connect(rb, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                OnProtocolChange();
        });
    }
    connect(frConnPars, &TOBfrConnPars::ComPortChanged, this, &TOBfrConnection::OnProtocolChange);
    connect(bConnDisconn, &QPushButton::clicked, this, &TOBfrConnection::bConnDisconnClick);
    // Find lists the devices of the local networks, with the type names of the branding file.
    frConnPars->SetFindDeviceHandler(
        [this] { return TfXPortSearchGUI::FindDevice(frConnPars, BrandingIniPath); });
    OnProtocolChange();
}

void TOBfrConnection::BuildControls()
{
    Panel1 = NamedPanel(QStringLiteral("Panel1"), this);
    frConnPars = new TOBfrConnPars(Panel1);
    pProtocols = NamedPanel(QStringLiteral("pProtocols"), Panel1);
    rbEthernet = Radio(QStringLiteral("rbEthernet"), tr("Ethernet"), pProtocols);
    rbRs232 = Radio(QStringLiteral("rbRs232"), tr("Serial RS232"), pProtocols);
    rbRs485 = Radio(QStringLiteral("rbRs485"), tr("Serial RS485"), pProtocols);
    auto *protocols = new QVBoxLayout(pProtocols);
    protocols->addWidget(rbEthernet);
    protocols->addWidget(rbRs232);
    protocols->addWidget(rbRs485);
    protocols->addStretch();
    auto *top = new QHBoxLayout(Panel1);
    top->addWidget(frConnPars, 1);
    top->addWidget(pProtocols);

    Panel2 = NamedPanel(QStringLiteral("Panel2"), this);
    bConnDisconn = new QPushButton(tr("Connect"), Panel2);
    bConnDisconn->setObjectName(QStringLiteral("bConnDisconn"));
    auto *buttons = new QHBoxLayout(Panel2);
    buttons->addStretch();
    buttons->addWidget(bConnDisconn);

    // The logo frame of the brand goes here.
    Panel3 = NamedPanel(QStringLiteral("Panel3"), this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);
    layout->addWidget(Panel3, 1);
}

void TOBfrConnection::OnProtocolChange()
{
    TProtocol protocol = TProtocol::RS485;
    if (rbEthernet->isChecked())
        protocol = TProtocol::Ethernet;
    else if (rbRs232->isChecked())
        protocol = TProtocol::RS232;
    frConnPars->SetProtocol(protocol);
    bConnDisconn->setEnabled(protocol == TProtocol::Ethernet || frConnPars->GetComPortNumber() > 0);
}

void TOBfrConnection::bConnDisconnClick()
{
    // The RS232 start-up wait keeps the window alive; a second press meanwhile
    // must not start another connect on the master that is being opened.
    if (m_busy)
        return;
    ConnectOrDisconnect();
    AfterConnect();
}

void TOBfrConnection::EnterPressed()
{
    if (m_device.Connected || m_busy || !isVisible() || !bConnDisconn->isEnabled())
        return;
    bConnDisconnClick();
}

void TOBfrConnection::ConnectOrDisconnect()
{
    if (m_busy)
        return;
    if (m_device.Connected)
        Disconnect();
    else
        Connect(frConnPars->ConnectionParams());
}

void TOBfrConnection::Connect(const TConnectionParams &params)
{
    if (m_busy)
        return;
    const TBusyFlag running(m_busy);
    TBusyCursor hourglass;
    const TConnectOutcome outcome = m_device.Connect(params);
    hourglass.Restore();
    switch (outcome) {
    case TConnectOutcome::WrongIP:
        TDialogs::ShowMessageKind(TDeviceConnection::WrongIPMessage(), TMsgKind::Warning);
        frConnPars->IPEdit()->setFocus();
        return;
    case TConnectOutcome::Failed:
        TDialogs::ShowMessageKind(TDeviceConnection::UnableToConnectMessage(), TMsgKind::Information);
        break;
    case TConnectOutcome::Connected:
        break;
    }
    RefreshHost();
}

void TOBfrConnection::Disconnect()
{
    if (m_busy)
        return;
    const TBusyFlag running(m_busy);
    {
        const TBusyCursor hourglass;
        m_device.Disconnect();
    }
    RefreshHost();
}

void TOBfrConnection::AfterConnect()
{
    if (m_device.TakeStartAfterConnect() && m_host)
        m_host->AutoStartMeasurement();
}

void TOBfrConnection::RefreshHost()
{
    if (m_host)
        m_host->UpdateInterfaceState();
}

void TOBfrConnection::ShowState(bool connected, bool running, bool takeFocus)
{
    bConnDisconn->setText(connected ? tr("Disconnect") : tr("Connect"));
    // A serial line without a port has nothing to connect to.
    const bool portChosen = IsEthernet() || frConnPars->GetComPortNumber() > 0;
    bConnDisconn->setEnabled(!running && (connected || portChosen));
    SetControlsEnabled(!connected);
    setVisible(!connected && !running);
    if (takeFocus && isVisible() && IsEthernet())
        frConnPars->IPEdit()->setFocus();
}

bool TOBfrConnection::IsEthernet() const
{
    return frConnPars->Protocol() == TProtocol::Ethernet;
}

QString TOBfrConnection::GetProtocolName() const
{
    return ProtocolNames().value(ChoiceIndex(frConnPars->Protocol()), ProtocolNames().first());
}

void TOBfrConnection::SetProtocolByName(const QString &name)
{
    if (name == ProtocolNames().at(ChoiceIndex(TProtocol::RS232)))
        rbRs232->setChecked(true);
    else if (name == ProtocolNames().at(ChoiceIndex(TProtocol::RS485)))
        rbRs485->setChecked(true);
    else
        rbEthernet->setChecked(true);
    OnProtocolChange();
}

void TOBfrConnection::SetControlsEnabled(bool enabled)
{
    frConnPars->SetControlsEnabled(enabled);
    for (QRadioButton *rb : {rbEthernet, rbRs232, rbRs485})
        rb->setEnabled(enabled);
}
