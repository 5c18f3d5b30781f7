#include "connection/uDeviceConnection.h"

#include "comm/uTiming.h"
#include "discovery/uUtilsTcpIp.h"
#include "model/uExceptions.h"

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

TConnectOutcome TDeviceConnection::Connect(const TConnectionParams &params)
{
    if (Connected)
        Disconnect();
    LastError.clear();

    // The address check comes before anything touches the master: a typing error
    // must not close or reconfigure anything.
    if (params.Protocol == TConnectionParams::Ethernet && !IsValidIP(params.IP)) {
        Params = params;
        return TConnectOutcome::WrongIP;
    }
    Params = params;
    if (params.Protocol == TConnectionParams::Ethernet)
        Params.IP = PlainIP(params.IP);

    try {
        if (params.Protocol == TConnectionParams::Ethernet) {
            Modbus.SetProtocolKind(TSyncMBus::KindTcp);
            Modbus.SetHost(Params.IP);
            Modbus.SetTcpPort(params.TcpPort);
            Modbus.setTimeout(params.Timeout);
            // SlaveAddress stays as an earlier serial connection left it.
        } else {
            Modbus.SetProtocolKind(TSyncMBus::KindRtu);
            if (params.ComPortNumber < 0)
                throw Exception(QStringLiteral("COM port not selected."));
            if (params.ComPortNumber > 255)
                throw Exception(QStringLiteral("COM port number out of range."));
            Modbus.SetComPort(static_cast<std::uint8_t>(params.ComPortNumber));
            Modbus.SetBaudRate(params.Speed);
            Modbus.SlaveAddress = params.GetSlaveAddress();
            Modbus.SetBaudIndex(TSyncMBus::CustomBaudIndex);
        }
        Modbus.Open();
        EnsureKeepAlive();
        if (params.Protocol == TConnectionParams::RS232)
            CallbackDelay(RS232SettleMs);
        Identify();
        Connected = true;
        return TConnectOutcome::Connected;
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
