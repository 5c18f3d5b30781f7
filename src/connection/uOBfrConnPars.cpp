#include "connection/uOBfrConnPars.h"

#include "discovery/IPEdit.h"
#include "model/uOBGlob.h"
#include "platform/ComPorts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace
{

constexpr int DefaultSpeedIndex = 6; // 9600 bauds

QSpinBox *NumberEdit(const QString &name, int min, int max, int value, QWidget *parent)
{
    auto *edit = new QSpinBox(parent);
    edit->setObjectName(name);
    edit->setRange(min, max);
    edit->setValue(value);
    return edit;
}

QLabel *Label(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

void TRefreshingComboBox::showPopup()
{
    Q_EMIT PopupAboutToShow();
    QComboBox::showPopup();
}

TOBfrConnPars::TOBfrConnPars(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("frConnPars"));
    BuildSerialPanel();
    BuildEthernetPanel();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pRs232_485);
    layout->addWidget(pEthernet);

    FillSpeeds();
    RefreshComPorts();
    cbCOMPort->setCurrentIndex(0);
    connect(cbCOMPort, &TRefreshingComboBox::PopupAboutToShow, this, &TOBfrConnPars::RefreshComPorts);
    connect(cbCOMPort, &QComboBox::currentIndexChanged, this, &TOBfrConnPars::ComPortChanged);
    connect(bFindDevice, &QPushButton::clicked, this, &TOBfrConnPars::bFindDeviceClick);
    SetProtocol(TProtocol::Ethernet);
}

void TOBfrConnPars::BuildSerialPanel()
{
    pRs232_485 = new QFrame(this);
    pRs232_485->setObjectName(QStringLiteral("pRs232_485"));
    lComPort = Label(QStringLiteral("lComPort"), tr("COM Port:"), pRs232_485);
    cbCOMPort = new TRefreshingComboBox(pRs232_485);
    cbCOMPort->setObjectName(QStringLiteral("cbCOMPort"));
    lSpeed = Label(QStringLiteral("lSpeed"), tr("Communication speed:"), pRs232_485);
    cbSpeed = new QComboBox(pRs232_485);
    cbSpeed->setObjectName(QStringLiteral("cbSpeed"));
    lAddress = Label(QStringLiteral("lAddress"), tr("Address:"), pRs232_485);
    neSlaveAddress = NumberEdit(QStringLiteral("neSlaveAddress"), 1, 255, 1, pRs232_485);

    auto *grid = new QGridLayout(pRs232_485);
    grid->addWidget(lComPort, 0, 0);
    grid->addWidget(cbCOMPort, 0, 1);
    grid->addWidget(lSpeed, 1, 0);
    grid->addWidget(cbSpeed, 1, 1);
    grid->addWidget(lAddress, 2, 0);
    grid->addWidget(neSlaveAddress, 2, 1);
    grid->setColumnStretch(2, 1);
}

void TOBfrConnPars::BuildEthernetPanel()
{
    pEthernet = new QFrame(this);
    pEthernet->setObjectName(QStringLiteral("pEthernet"));
    lIP = Label(QStringLiteral("lIP"), tr("IP address:"), pEthernet);
    eIP = new TIPEdit(pEthernet);
    eIP->setObjectName(QStringLiteral("eIP"));
    bFindDevice = new QPushButton(tr("Find"), pEthernet);
    bFindDevice->setObjectName(QStringLiteral("bFindDevice"));
    lPort = Label(QStringLiteral("lPort"), tr("Port:"), pEthernet);
    neTcpPort = NumberEdit(QStringLiteral("neTcpPort"), 0, 65535, 502, pEthernet);
    ltimeout = Label(QStringLiteral("ltimeout"), tr("Limit for connection search:"), pEthernet);
    neTimeout = NumberEdit(QStringLiteral("neTimeout"), 0, 65535, 3000, pEthernet);
    lTimeoutUnit = Label(QStringLiteral("lTimeoutUnit"), tr("ms"), pEthernet);

    auto *grid = new QGridLayout(pEthernet);
    grid->addWidget(lIP, 0, 0);
    grid->addWidget(eIP, 0, 1);
    grid->addWidget(bFindDevice, 0, 2);
    grid->addWidget(lPort, 1, 0);
    grid->addWidget(neTcpPort, 1, 1);
    grid->addWidget(ltimeout, 2, 0);
    grid->addWidget(neTimeout, 2, 1);
    grid->addWidget(lTimeoutUnit, 2, 2);
    grid->setColumnStretch(3, 1);
}

void TOBfrConnPars::FillSpeeds()
{
    cbSpeed->clear();
    for (const TTextValue &rate : BaudRates())
        cbSpeed->addItem(rate.Display(), rate.Value);
    cbSpeed->setCurrentIndex(DefaultSpeedIndex);
}

void TOBfrConnPars::RefreshComPorts()
{
    const int selected = GetComPortNumber();
    {
        const QSignalBlocker quiet(cbCOMPort);
        cbCOMPort->clear();
        cbCOMPort->addItem(tr("None"));
        for (const ComPorts::PortInfo &port : ComPorts::ListPorts())
            cbCOMPort->addItem(port.DisplayText());
        SelectComPort(selected);
    }
    if (GetComPortNumber() != selected)
        Q_EMIT ComPortChanged();
}

int TOBfrConnPars::ComPortNumberOfItem(const QString &itemText)
{
    if (!itemText.startsWith(QLatin1String("COM")))
        return -1;
    qsizetype end = 3;
    while (end < itemText.size() && end < 6 && itemText[end].isDigit() && itemText[end].unicode() < 128)
        ++end;
    if (end == 3)
        return -1;
    return itemText.mid(3, end - 3).toInt();
}

void TOBfrConnPars::SetProtocol(TProtocol protocol)
{
    m_protocol = protocol;
    pEthernet->setVisible(protocol == TProtocol::Ethernet);
    pRs232_485->setVisible(protocol == TProtocol::RS232 || protocol == TProtocol::RS485);
    lAddress->setVisible(protocol == TProtocol::RS485);
    neSlaveAddress->setVisible(protocol == TProtocol::RS485);
}

void TOBfrConnPars::SetControlsEnabled(bool enabled)
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{lIP, eIP, bFindDevice, lPort, neTcpPort, ltimeout, neTimeout,
                                          lComPort, cbCOMPort, lSpeed, cbSpeed, lAddress, neSlaveAddress})
        w->setEnabled(enabled);
}

QString TOBfrConnPars::GetIP() const
{
    return eIP->Text();
}

void TOBfrConnPars::SetIP(const QString &ip)
{
    eIP->SetText(ip);
}

int TOBfrConnPars::GetTcpPort() const
{
    return neTcpPort->value();
}

void TOBfrConnPars::SetTcpPort(int port)
{
    neTcpPort->setValue(port);
}

int TOBfrConnPars::GetTimeout() const
{
    return neTimeout->value();
}

void TOBfrConnPars::SetTimeout(int ms)
{
    neTimeout->setValue(ms);
}

int TOBfrConnPars::GetComPortNumber() const
{
    return ComPortNumberOfItem(cbCOMPort->currentText());
}

void TOBfrConnPars::SelectComPort(int number)
{
    int index = 0;
    for (int i = 1; i < cbCOMPort->count() && number >= 0; ++i) {
        if (ComPortNumberOfItem(cbCOMPort->itemText(i)) == number) {
            index = i;
            break;
        }
    }
    cbCOMPort->setCurrentIndex(index);
}

int TOBfrConnPars::GetSpeed() const
{
    return cbSpeed->currentData().toInt();
}

void TOBfrConnPars::SelectSpeed(int rate)
{
    const int index = cbSpeed->findData(rate);
    cbSpeed->setCurrentIndex(index >= 0 ? index : 0);
}

int TOBfrConnPars::GetSlaveAddress() const
{
    return m_protocol == TProtocol::RS485 ? neSlaveAddress->value() : 1;
}

void TOBfrConnPars::SetSlaveAddress(int address)
{
    neSlaveAddress->setValue(address);
}

TConnectionParams TOBfrConnPars::ConnectionParams() const
{
    TConnectionParams p;
    p.Protocol = m_protocol;
    p.IP = GetIP();
    p.TcpPort = static_cast<std::uint16_t>(GetTcpPort());
    p.Timeout = static_cast<std::uint16_t>(GetTimeout());
    p.ComPortNumber = GetComPortNumber();
    p.Speed = GetSpeed();
    p.SlaveAddress = static_cast<std::uint8_t>(neSlaveAddress->value());
    return p;
}

void TOBfrConnPars::SetFindDeviceHandler(TFindDeviceHandler handler)
{
    m_findDevice = std::move(handler);
}

void TOBfrConnPars::bFindDeviceClick()
{
    if (!m_findDevice)
        return;
    if (const std::optional<QString> ip = m_findDevice())
        SetIP(*ip);
}
