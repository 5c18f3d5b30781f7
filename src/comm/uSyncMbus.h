#pragma once

// The one Modbus master the rest of the program sees. It keeps the whole
// connection setting itself, owns one protocol object for the current
// transport and pushes the setting into it at every Open, so the protocol
// object never drifts from what was configured.

#include "comm/MbusMasterFunctions.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <span>

class TSyncMBus : public TMbusMasterFunctions
{
    Q_OBJECT
public:
    enum : std::uint8_t { KindAscii = 0, KindRtu = 1, KindTcp = 2 };
    static constexpr std::uint8_t CustomBaudIndex = 15;
    // Bit rates by index; index 15 stands for CustomBaud.
    static constexpr std::array<std::int32_t, 15> BaudRates = {
        110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

    explicit TSyncMBus(QObject *owner = nullptr);
    ~TSyncMBus() override;

    virtual void Close();

    void SetProtocolKind(std::uint8_t kind);
    bool IsOpen() const;
    void SetComPort(std::uint8_t n);
    void SetBaudIndex(std::uint8_t i);
    void SetBaudRate(std::int32_t v);
    void SetParity(std::uint8_t c);
    void SetDataBits(std::uint8_t c);
    void SetStopBits(std::uint8_t c);
    void SetHost(const QString &host);
    void SetTcpPort(std::uint16_t port);
    void Open();
    void ReadRegisters(std::uint8_t slaveAddr, int startRef, std::span<std::uint16_t> words);

    // The inner protocol object (never null).
    TMbusMasterFunctions *InnerProtocol() const { return Protocol.get(); }

    // Everything goes to the inner protocol object.
    void readMultipleRegisters(int slaveAddr, int startRef, std::span<std::uint16_t> regArr) override;
    void openProtocol() override;
    void closeProtocol() override;
    bool isOpen() const override;
    int timeout() const override;
    void setTimeout(int ms) override;
    int pollDelay() const override;
    void setPollDelay(int ms) override;
    int retryCnt() const override;
    void setRetryCnt(int count) override;

    QObject *Owner = nullptr;
    std::uint8_t ProtocolKind = KindRtu;
    std::uint8_t ComPort = 1;
    std::uint8_t BaudIndex = 6;
    std::int32_t CustomBaud = 9600;
    std::uint8_t ParityCode = 0;
    std::uint8_t DataBitsCode = 4;
    std::uint8_t StopBitsCode = 0;
    QString Host = QStringLiteral("127.0.0.1");
    std::uint16_t TcpPort = 502;

private:
    TMbusSerialMasterProtocol *serial() const;
    TMbusTcpMasterProtocol *tcp() const;

    std::unique_ptr<TMbusMasterFunctions> Protocol;
};
