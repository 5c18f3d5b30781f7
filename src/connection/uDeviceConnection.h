#pragma once

// Everything that describes the connected device, held for the whole run by the
// connection frame (or by a command-line tool): the one Modbus master, the
// connected flag, the serial number, the sensor kind, the twenty quantity slots
// and the capability flags identification finds. Connecting and disconnecting
// never create or free these objects; identification resets and reconfigures them.

#include "connection/uIdentify.h"

#include "comm/uMSPComm.h"
#include "model/uOBGlob.h"
#include "model/uSensType.h"

#include <QCoreApplication>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class Exception;

// How to reach the device, as the parameters frame or a command line gives it.
struct TConnectionParams {
    TProtocol Protocol = TProtocol::Ethernet;
    QString IP;
    std::uint16_t TcpPort = 502;
    std::uint16_t Timeout = 3000; // ms, Modbus/TCP
    int ComPortNumber = -1;       // -1: none selected
    std::int32_t Speed = 9600;
    std::uint8_t SlaveAddress = 1; // used on RS485 only

    // The address the readers talk to: the RS485 slave address, 1 otherwise.
    std::uint8_t GetSlaveAddress() const { return Protocol == TProtocol::RS485 ? SlaveAddress : 1; }
};

enum class TConnectOutcome {
    Connected,
    WrongIP, // the IP text is no dotted IPv4 address; nothing was attempted
    Failed,  // see LastError for the reason
};

class TDeviceConnection
{
    Q_DECLARE_TR_FUNCTIONS(TDeviceConnection)

public:
    static constexpr int QuantityCount = Identification::QuantityCount;
    static constexpr int SerialSlotCount = 13;                            // slots 0 to 12
    static constexpr int GelmiFirstSlot = Identification::GelmiFirstSlot; // slots 13 to 17
    static constexpr int DuskoFirstSlot = Identification::DuskoFirstSlot; // slots 18 and 19
    static constexpr int RS232SettleMs = 4000; // a serial RS232 transmitter's start-up after the port opens
    static constexpr int SegmentAttempts = Identification::SegmentAttempts;

    // errors: the program-wide error list, rebuilt here for the identified family.
    explicit TDeviceConnection(TErrMessageList &errors);
    ~TDeviceConnection();
    TDeviceConnection(const TDeviceConnection &) = delete;
    TDeviceConnection &operator=(const TDeviceConnection &) = delete;

    bool Connected = false;
    TMSPModbus Modbus;
    QString SerialText;
    TSensType SensType;
    bool FiveChannel = false;
    bool StartAfterConnect = false;
    bool DeviceAlarmBlock = false;
    bool HasBinaryInputs = false;

    // What identification read besides the slots, for diagnostics and tools:
    // the serial family's firmware number and the XPort's firmware version.
    std::optional<int> Firmware;
    std::optional<std::array<std::uint8_t, 3>> XPortFirmware;

    // The XPort configuration service's UDP port (tests point it at a simulator).
    std::uint16_t XPortUdpPort = TXPort::DefaultPort;

    // The parameters of the last connect attempt.
    TConnectionParams Params;
    // Why the last connect failed (the low layer's message); empty after success.
    QString LastError;

    TErrMessageList &ErrorList() const { return m_errors; }

    // Connects and identifies. On any failure the master is closed and the outcome
    // is Failed; the user is told UnableToConnectMessage(), LastError keeps the reason.
    TConnectOutcome Connect(const TConnectionParams &params);
    // Never fails: a device that has gone away is simply forgotten.
    void Disconnect();
    // StartAfterConnect handling after a connect: clears the flag and tells whether
    // measuring should start now (the flag was set and the device is connected).
    bool TakeStartAfterConnect();

    bool IsEthernet() const { return Params.Protocol == TProtocol::Ethernet; }
    TLangQuan &GetQuantity(int index);
    const TLangQuan &GetQuantity(int index) const;
    TLangQuanEx &GetQuantityEx(int index); // 18 or 19

    // Identification of the device this connection reaches (uIdentify has the steps);
    // each raises Exception with its fixed message on failure.
    void Identify();
    void ResetQuantities();
    void IdentifySerialFamily(int major, int minor, int patch);
    void IdentifyFirstEthernetFamily(const TXPortRecords &records, std::uint32_t version, int sensorType);
    void IdentifySecondEthernetFamily(const TXPortRecords &records);

    static QString UnableToConnectMessage();
    static QString WrongIPMessage();

private:
    // This connection's master and device description, as identification sees them.
    TIdentifyTarget IdentifyTarget();
    // Why opening failed, naming the device file or address:port and what to fix.
    QString OpenFailureText(const Exception &e) const;

    TErrMessageList &m_errors;
    std::array<TLangQuan, 18> m_quans;
    std::array<TLangQuanEx, 2> m_quansEx;
};
