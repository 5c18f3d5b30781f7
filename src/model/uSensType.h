#pragma once

#include <QString>
#include <cstdint>
#include <functional>

// The kind of the connected device. Serial-family devices report a KIND register
// value; Ethernet devices are mapped to a kind code by identification.
// TSensType turns either into a kind code and answers what the device can do.
class TSensType
{
public:
    static constexpr int KindCount = 135; // kind codes 0 to 134; 0 = unknown

    // Capability bits of GetCapabilities().
    static constexpr std::uint16_t capTemperature = 0x0040;
    static constexpr std::uint16_t capHumidity = 0x0080;
    static constexpr std::uint16_t capPressure = 0x0100;
    static constexpr std::uint16_t capCO2 = 0x0200;

    // KIND register value of the Ethernet kinds; the register lookup never matches it.
    static constexpr std::uint16_t EthernetRegister = 0xFFFF;

    using TNotifyEvent = std::function<void(TSensType *sender)>;

    TSensType() = default;
    TSensType(const TSensType &) = delete;
    TSensType &operator=(const TSensType &) = delete;

    // Called after every change of the kind or of the KIND register value.
    TNotifyEvent OnChange;

    // Selects the kind by KIND register value. Unknown values (and 0xFFFF) give kind 0
    // but are still stored as given.
    void SetKindRegister(std::uint16_t value);
    // Selects the kind by code; raises ERangeError "invalid sensor type" outside 0..134.
    void SetKind(int code);

    std::uint16_t GetKindRegister() const { return m_kindRegister; }
    std::uint8_t GetKind() const { return m_kind; }
    std::uint8_t GetFamily() const;        // 0 none, 1 serial memory-protocol family, 2 Ethernet
    std::int32_t GetChannelCount() const;  // meaningful for Ethernet kinds only
    std::uint16_t GetCapabilities() const; // cap* bits
    bool HasRelays() const;
    bool HasBinaryInputs() const;
    QString GetKindName() const; // the model designation

    // Look-ups by kind code without an instance; ERangeError "invalid sensor type"
    // outside 0..134.
    static QString KindName(int kind);
    static int KindRegisterOf(int kind);

private:
    std::uint16_t m_kindRegister = 0;
    std::uint8_t m_kind = 0;
};
