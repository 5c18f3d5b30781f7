#include "comm/uSyncMbus.h"

TSyncMBus::TSyncMBus(QObject *owner)
    : TMbusMasterFunctions(owner), Owner(owner), Protocol(std::make_unique<TMbusRtuMasterProtocol>())
{
}

TSyncMBus::~TSyncMBus()
{
    Protocol->closeProtocol();
}

TMbusSerialMasterProtocol *TSyncMBus::serial() const
{
    return ProtocolKind == KindTcp ? nullptr : static_cast<TMbusSerialMasterProtocol *>(Protocol.get());
}

TMbusTcpMasterProtocol *TSyncMBus::tcp() const
{
    return ProtocolKind == KindTcp ? static_cast<TMbusTcpMasterProtocol *>(Protocol.get()) : nullptr;
}

void TSyncMBus::Close()
{
    Protocol->closeProtocol();
}

void TSyncMBus::SetProtocolKind(std::uint8_t kind)
{
    if (kind == ProtocolKind)
        return;
    const bool wasOpen = Protocol->isOpen();
    // The inner objects are owned here rather than by Owner, so they can be
    // swapped at any time without the owner freeing one twice.
    std::unique_ptr<TMbusMasterFunctions> fresh;
    switch (kind) {
    case KindAscii:
        fresh = std::make_unique<TMbusAsciiMasterProtocol>();
        break;
    case KindRtu:
        fresh = std::make_unique<TMbusRtuMasterProtocol>();
        break;
    case KindTcp:
        fresh = std::make_unique<TMbusTcpMasterProtocol>();
        break;
    default:
        return;
    }
    ProtocolKind = kind;
    Protocol = std::move(fresh); // frees the old object and its library instance
    if (wasOpen)
        Open();
}

bool TSyncMBus::IsOpen() const
{
    return Protocol->isOpen();
}

void TSyncMBus::SetComPort(std::uint8_t n)
{
    const bool wasOpen = IsOpen();
    if (wasOpen)
        Close();
    ComPort = n;
    if (auto *s = serial())
        s->portName = QStringLiteral("\\\\.\\COM") + QString::number(n);
    if (wasOpen)
        Open();
}

void TSyncMBus::SetBaudIndex(std::uint8_t i)
{
    BaudIndex = i;
    const int index = i & 0x7F;
    if (index > CustomBaudIndex)
        return;
    const std::int32_t rate =
        index == CustomBaudIndex ? CustomBaud : BaudRates[static_cast<std::size_t>(index)];
    if (auto *s = serial())
        s->baudRate = rate;
}

void TSyncMBus::SetBaudRate(std::int32_t v)
{
    CustomBaud = v;
    BaudIndex = CustomBaudIndex;
    SetBaudIndex(CustomBaudIndex);
}

void TSyncMBus::SetParity(std::uint8_t c)
{
    ParityCode = c;
    if (auto *s = serial(); s && c <= 2)
        s->parity = c;
}

void TSyncMBus::SetDataBits(std::uint8_t c)
{
    DataBitsCode = c;
    if (auto *s = serial()) {
        if (c == 3)
            s->dataBits = 7;
        else if (c == 4)
            s->dataBits = 8;
    }
}

void TSyncMBus::SetStopBits(std::uint8_t c)
{
    StopBitsCode = c;
    if (auto *s = serial()) {
        if (c == 0)
            s->stopBits = 1;
        else if (c == 2)
            s->stopBits = 2;
    }
}

void TSyncMBus::SetHost(const QString &host)
{
    Host = host;
    if (auto *t = tcp())
        t->hostName = host;
}

void TSyncMBus::SetTcpPort(std::uint16_t port)
{
    TcpPort = port;
    if (auto *t = tcp())
        t->setPort(port);
}

void TSyncMBus::Open()
{
    if (Protocol->isOpen())
        Close();
    if (ProtocolKind == KindTcp) {
        SetHost(Host);
        SetTcpPort(TcpPort);
    } else {
        SetComPort(ComPort);
        SetBaudIndex(BaudIndex);
        SetDataBits(DataBitsCode);
        SetStopBits(StopBitsCode);
        SetParity(ParityCode);
    }
    Protocol->openProtocol();
}

void TSyncMBus::ReadRegisters(std::uint8_t slaveAddr, int startRef, std::span<std::uint16_t> words)
{
    Protocol->readMultipleRegisters(slaveAddr, startRef, words);
}

void TSyncMBus::readMultipleRegisters(int slaveAddr, int startRef, std::span<std::uint16_t> regArr)
{
    Protocol->readMultipleRegisters(slaveAddr, startRef, regArr);
}

void TSyncMBus::openProtocol()
{
    Open();
}

void TSyncMBus::closeProtocol()
{
    Close();
}

bool TSyncMBus::isOpen() const
{
    return IsOpen();
}

int TSyncMBus::timeout() const
{
    return Protocol->timeout();
}

void TSyncMBus::setTimeout(int ms)
{
    Protocol->setTimeout(ms);
}

int TSyncMBus::pollDelay() const
{
    return Protocol->pollDelay();
}

void TSyncMBus::setPollDelay(int ms)
{
    Protocol->setPollDelay(ms);
}

int TSyncMBus::retryCnt() const
{
    return Protocol->retryCnt();
}

void TSyncMBus::setRetryCnt(int count)
{
    Protocol->setRetryCnt(count);
}
