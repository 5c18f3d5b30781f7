#pragma once

// The frame through which the program connects to its one device and
// disconnects from it. It owns the device state (TDeviceConnection: the Modbus
// master, the sensor kind, the twenty quantity slots, the flags) for the whole
// run; readers, frames and dialogs reach the device through it.

#include "connection/uDeviceConnection.h"

#include <QFrame>

#include <cstdint>

class QPushButton;
class QRadioButton;
class TOBfrConnPars;

// What the connection frame needs of the main window.
class TConnectionHost
{
public:
    virtual ~TConnectionHost() = default;
    // Derives every caption, enabled state and frame visibility from the
    // connection and reader state; called after every connect and disconnect.
    virtual void UpdateInterfaceState() = 0;
    // Starts measuring as if the measurement frame's Start button had been
    // pressed, marked as started automatically.
    virtual void AutoStartMeasurement() = 0;
};

class TOBfrConnection : public QFrame
{
    Q_OBJECT

public:
    // errors: the program-wide error list, rebuilt by identification.
    explicit TOBfrConnection(TErrMessageList &errors, QWidget *parent = nullptr);

    // The main window; may stay unset (nothing is then refreshed or started).
    void SetHost(TConnectionHost *host) { m_host = host; }

    TDeviceConnection &Device() { return m_device; }
    const TDeviceConnection &Device() const { return m_device; }
    bool Connected() const { return m_device.Connected; }
    TOBfrConnPars *ConnPars() const { return frConnPars; }

    // The radio buttons chose a protocol (or the COM port selection changed).
    void OnProtocolChange();
    // Connect or disconnect, then the start requested by the command line.
    void bConnDisconnClick();
    // Enter in the window: what a click on the Connect button does, once, and nothing while
    // that button is disabled or the device is connected.
    void EnterPressed();
    void ConnectOrDisconnect();
    void AfterConnect();

    // One connect attempt with these parameters (the button takes them from the
    // parameters frame): the busy cursor while it runs, the one message when it
    // fails, then the main window's refresh. A wrong IP text is only reported.
    void Connect(const TConnectionParams &params);
    // Never reports an error: a device that has gone away is simply forgotten.
    void Disconnect();

    bool IsEthernet() const;
    TLangQuan &GetQuantity(int index) { return m_device.GetQuantity(index); }
    static constexpr int QuantityCount() { return TDeviceConnection::QuantityCount; }
    // "Ethernet", "RS232" or "RS485", as the settings store them.
    QString GetProtocolName() const;
    void SetProtocolByName(const QString &name);
    void SetControlsEnabled(bool enabled);
    // The main window's state: the button connects or disconnects (not while a measurement
    // runs, nor on a serial line without a port), the fields only while disconnected, and the
    // frame shows only then. takeFocus: the window is shown, so the IP field may take the focus.
    void ShowState(bool connected, bool running, bool takeFocus);
    // Where the main window puts the logo, below the fields.
    QWidget *LogoArea() const { return Panel3; }

private:
    void BuildControls();
    void RefreshHost();

    TDeviceConnection m_device;
    TConnectionHost *m_host = nullptr;
    bool m_busy = false; // a connect or disconnect is running (its waits let events through)

    QFrame *Panel1 = nullptr;
    TOBfrConnPars *frConnPars = nullptr;
    QFrame *pProtocols = nullptr;
    QRadioButton *rbEthernet = nullptr;
    QRadioButton *rbRs232 = nullptr;
    QRadioButton *rbRs485 = nullptr;
    QFrame *Panel2 = nullptr;
    QPushButton *bConnDisconn = nullptr;
    QFrame *Panel3 = nullptr;
};
