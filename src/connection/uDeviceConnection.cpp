#include "connection/uDeviceConnection.h"

#include "comm/BusProtocolExceptions.h"
#include "comm/uTiming.h"
#include "connection/uOpenFailure.h"
#include "discovery/uUtilsTcpIp.h"
#include "model/uExceptions.h"
#include "platform/ComPorts.h"

#include <QCoreApplication>
#include <QStringList>

namespace
{

// Registered once: later connects find it in place. Nothing else in the program
// installs a different callback before the first connect.
void EnsureKeepAlive()
{
    static bool registered = false;
    if (registered)
        return;
    SetKeepAlive([] { QCoreApplication::processEvents(); });
    registered = true;
}

// The address check accepts leading zeros ("010.001.000.255"), but the socket
// layer either refuses them or reads them as octal; both would reach another
// device than the one the user typed. Hand on the plain decimal form.
QString PlainIP(const QString &ip)
{
    QStringList parts = ip.split(QLatin1Char('.'));
    for (QString &part : parts)
        part = QString::number(part.toInt());
    return parts.join(QLatin1Char('.'));
}

} // namespace

TDeviceConnection::TDeviceConnection(TErrMessageList &errors) : m_errors(errors) {}

TDeviceConnection::~TDeviceConnection() = default;

QString TDeviceConnection::UnableToConnectMessage()
{
    return tr("Unable to connect. Sensor must be properly connected according to choosed settings.");
}

QString TDeviceConnection::WrongIPMessage()
{
    return tr("Wrong IP address.");
}

TLangQuan &TDeviceConnection::GetQuantity(int index)
{
    if (index < 0 || index >= QuantityCount)
        throw Exception(QStringLiteral("Index out of bound."));
    if (index >= DuskoFirstSlot)
        return m_quansEx[static_cast<std::size_t>(index - DuskoFirstSlot)];
    return m_quans[static_cast<std::size_t>(index)];
}

const TLangQuan &TDeviceConnection::GetQuantity(int index) const
{
    return const_cast<TDeviceConnection *>(this)->GetQuantity(index);
}

TLangQuanEx &TDeviceConnection::GetQuantityEx(int index)
{
    if (index < DuskoFirstSlot || index >= QuantityCount)
        throw Exception(QStringLiteral("Index out of bound."));
    return m_quansEx[static_cast<std::size_t>(index - DuskoFirstSlot)];
}

TIdentifyTarget TDeviceConnection::IdentifyTarget()
{
    return TIdentifyTarget{.Modbus = Modbus,
                           .Ethernet = IsEthernet(),
                           .IP = Params.IP,
                           .XPortUdpPort = XPortUdpPort,
                           .SensType = SensType,
                           .SerialText = SerialText,
                           .FiveChannel = FiveChannel,
                           .DeviceAlarmBlock = DeviceAlarmBlock,
                           .HasBinaryInputs = HasBinaryInputs,
                           .Firmware = Firmware,
                           .XPortFirmware = XPortFirmware,
                           .Errors = m_errors,
                           .Quans = m_quans,
                           .QuansEx = m_quansEx};
}

void TDeviceConnection::Identify()
{
    Identification::Identify(IdentifyTarget());
}

void TDeviceConnection::ResetQuantities()
{
    Identification::ResetQuantities(IdentifyTarget());
}

void TDeviceConnection::IdentifySerialFamily(int major, int minor, int patch)
{
    Identification::IdentifySerialFamily(IdentifyTarget(), major, minor, patch);
}

void TDeviceConnection::IdentifyFirstEthernetFamily(const TXPortRecords &records, std::uint32_t version,
                                                    int sensorType)
{
    Identification::IdentifyFirstEthernetFamily(IdentifyTarget(), records, version, sensorType);
}

void TDeviceConnection::IdentifySecondEthernetFamily(const TXPortRecords &records)
{
    Identification::IdentifySecondEthernetFamily(IdentifyTarget(), records);
}

TConnectOutcome TDeviceConnection::Connect(const TConnectionParams &params)
{
    if (Connected)
        Disconnect();
    LastError.clear();

    // The address check comes before anything touches the master: a typing error
    // must not close or reconfigure anything.
    if (params.Protocol == TProtocol::Ethernet && !IsValidIP(params.IP)) {
        Params = params;
        return TConnectOutcome::WrongIP;
    }
    Params = params;
    if (params.Protocol == TProtocol::Ethernet)
        Params.IP = PlainIP(params.IP);

    try {
        // Identification talks to the same unit the readers read afterwards. Behind a
        // gateway that routes by unit identifier, an address left over from an earlier
        // RS485 session would identify one device and read another.
        Modbus.SlaveAddress = params.GetSlaveAddress();
        if (params.Protocol == TProtocol::Ethernet) {
            Modbus.SetProtocolKind(TSyncMBus::KindTcp);
            Modbus.SetHost(Params.IP);
            Modbus.SetTcpPort(params.TcpPort);
            Modbus.setTimeout(params.Timeout);
        } else {
            Modbus.SetProtocolKind(TSyncMBus::KindRtu);
            if (params.ComPortNumber < 0)
                throw Exception(QStringLiteral("COM port not selected."));
            if (params.ComPortNumber > 255)
                throw Exception(QStringLiteral("COM port number out of range."));
            Modbus.SetComPort(static_cast<std::uint8_t>(params.ComPortNumber));
            Modbus.SetBaudRate(params.Speed);
            Modbus.SetBaudIndex(TSyncMBus::CustomBaudIndex);
        }
        Modbus.Open();
        EnsureKeepAlive();
        if (params.Protocol == TProtocol::RS232)
            CallbackDelay(RS232SettleMs);
        Identify();
        Connected = true;
        return TConnectOutcome::Connected;
    } catch (const EPortNoAccess &e) {
        LastError = OpenFailureText(e);
    } catch (const EOpenErr &e) {
        LastError = OpenFailureText(e);
    } catch (const ETcpipConnectErr &e) {
        LastError = OpenFailureText(e);
    } catch (const Exception &e) {
        LastError = e.Message();
    } catch (const std::exception &e) {
        LastError = QString::fromLocal8Bit(e.what());
    }

    try {
        if (Modbus.IsOpen())
            Modbus.Close();
    } catch (const std::exception &) {
        // Closing after a failure may fail too; the master counts as closed anyway.
    }
    return TConnectOutcome::Failed;
}

QString TDeviceConnection::OpenFailureText(const Exception &e) const
{
    const int err = mbusMaster_getLastOpenErrno(Modbus.InnerProtocol()->ProtocolHandle);
    if (Params.Protocol == TProtocol::Ethernet)
        return OpenFailure::TcpMessage(Params.IP, Params.TcpPort, err, Params.Timeout);
    const QString device = ComPorts::ResolvePortName(QStringLiteral("COM%1").arg(Params.ComPortNumber));
    const QString detail = device.isEmpty() ? QString() : OpenFailure::SerialPortMessage(device, err);
    return detail.isEmpty() ? e.Message() : detail;
}

void TDeviceConnection::Disconnect()
{
    Connected = false;
    try {
        Modbus.Close();
    } catch (const std::exception &) {
        // A device that has gone away cannot stop a disconnect.
    }
}

bool TDeviceConnection::TakeStartAfterConnect()
{
    const bool start = StartAfterConnect && Connected;
    StartAfterConnect = false;
    return start;
}
