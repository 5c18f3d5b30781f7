#pragma once

// The frame in which the user says how to reach the device: IP address, TCP
// port and time-out for Ethernet; COM port, speed and (RS485) slave address for
// a serial line. The connection frame reads it through the accessors when it
// connects; the settings are stored and restored through the same accessors.

#include "connection/uDeviceConnection.h"

#include <QComboBox>
#include <QFrame>

#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QSpinBox;
class TIPEdit;

// A drop-down list that says when the user is about to open it, so its items can
// be brought up to date first.
class TRefreshingComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

Q_SIGNALS:
    void PopupAboutToShow();
};

class TOBfrConnPars : public QFrame
{
    Q_OBJECT

public:
    // Opens the device search window; the chosen device's IP address, or nothing
    // when the user cancelled.
    using TFindDeviceHandler = std::function<std::optional<QString>()>;

    explicit TOBfrConnPars(QWidget *parent = nullptr);

    // 0 Ethernet, 1 serial RS232, 2 serial RS485 (TConnectionParams' codes).
    TProtocol Protocol() const { return m_protocol; }
    void SetProtocol(TProtocol protocol);
    void SetControlsEnabled(bool enabled);

    QString GetIP() const;
    void SetIP(const QString &ip);
    int GetTcpPort() const;
    void SetTcpPort(int port);
    int GetTimeout() const; // ms
    void SetTimeout(int ms);
    // The number after "COM" in the selected item; -1 for "None".
    int GetComPortNumber() const;
    // Selects the item of that port, or "None" when the port is not listed.
    void SelectComPort(int number);
    int GetSpeed() const; // bit/s
    // Selects the first item with that rate, or the first item when the rate is not offered.
    void SelectSpeed(int rate);
    // The edit's value on RS485; 1 on RS232 and Ethernet.
    int GetSlaveAddress() const;
    void SetSlaveAddress(int address);

    // Everything above in the form a connect takes.
    TConnectionParams ConnectionParams() const;

    // Lists the present COM ports again, keeping the selected one when it is
    // still there. Runs at creation and whenever the user opens the list.
    void RefreshComPorts();

    // The number written directly after "COM" (up to three digits) in an item
    // text such as "COM12" or "COM33 (ttyUSB0)"; -1 when there is none.
    static int ComPortNumberOfItem(const QString &itemText);

    // The connection frame hands over the device search window; until a handler is
    // given the Find button does nothing.
    void SetFindDeviceHandler(TFindDeviceHandler handler);
    void bFindDeviceClick();

    TIPEdit *IPEdit() const { return eIP; }

Q_SIGNALS:
    // The COM port selection changed (by the user or by a refresh of the list).
    void ComPortChanged();

private:
    void BuildSerialPanel();
    void BuildEthernetPanel();
    void FillSpeeds();

    TProtocol m_protocol = TProtocol::Ethernet;
    TFindDeviceHandler m_findDevice;

    QFrame *pRs232_485 = nullptr;
    QLabel *lComPort = nullptr;
    TRefreshingComboBox *cbCOMPort = nullptr;
    QLabel *lSpeed = nullptr;
    QComboBox *cbSpeed = nullptr;
    QLabel *lAddress = nullptr;
    QSpinBox *neSlaveAddress = nullptr;

    QFrame *pEthernet = nullptr;
    QLabel *lIP = nullptr;
    TIPEdit *eIP = nullptr;
    QPushButton *bFindDevice = nullptr;
    QLabel *lPort = nullptr;
    QSpinBox *neTcpPort = nullptr;
    QLabel *ltimeout = nullptr;
    QSpinBox *neTimeout = nullptr;
    QLabel *lTimeoutUnit = nullptr;
};
