#pragma once

// Device identification: finding out what is connected and configuring the twenty
// quantity slots, the sensor kind, the serial number and the capability flags. The
// steps work on the objects a connection holds (TIdentifyTarget); the pieces that
// need no device (firmware numbers, XPort records and their texts) are here too.

#include "comm/uDeviceComm.h"
#include "comm/uMSPComm.h"
#include "model/uOBGlob.h"
#include "model/uSensType.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The XPort configuration records identification reads, indexed by record number
// (records 1, 2, 4, 5 and 6 are filled; the others stay zero).
using TXPortRecords = std::array<TXPortRecord, 7>;

// What identification reads from and writes to: the holder's own master and
// device description, by reference. Identification keeps nothing of its own.
struct TIdentifyTarget {
    // How the device is reached.
    TMSPModbus &Modbus;
    bool Ethernet;
    QString IP;                 // the XPort's address (Ethernet)
    std::uint16_t XPortUdpPort; // its configuration service

    // What identification finds.
    TSensType &SensType;
    QString &SerialText;
    bool &FiveChannel;
    bool &DeviceAlarmBlock;
    bool &HasBinaryInputs;
    std::optional<int> &Firmware;
    std::optional<std::array<std::uint8_t, 3>> &XPortFirmware;
    TErrMessageList &Errors;
    std::span<TLangQuan, 18> Quans;    // slots 0 to 17
    std::span<TLangQuanEx, 2> QuansEx; // slots 18 and 19

    TLangQuan &Quantity(int slot) const;
};

namespace Identification
{

constexpr int QuantityCount = 20;
constexpr int GelmiFirstSlot = 13; // slots 13 to 17
constexpr int DuskoFirstSlot = 18; // slots 18 and 19
constexpr int SegmentAttempts = 10;

// The steps; each raises Exception with its fixed message on failure.
// Identify runs the whole identification: reset, then the family the connection
// and the XPort's device type lead to.
void Identify(const TIdentifyTarget &t);
void ResetQuantities(const TIdentifyTarget &t);
// The XPort firmware version is 0.0.0 on a serial line.
void IdentifySerialFamily(const TIdentifyTarget &t, int major, int minor, int patch);
void IdentifyFirstEthernetFamily(const TIdentifyTarget &t, const TXPortRecords &records,
                                 std::uint32_t version, int sensorType);
void IdentifySecondEthernetFamily(const TIdentifyTarget &t, const TXPortRecords &records);

// The firmware number of the serial family: the four hexadecimal digits of the
// word read as a decimal number, so 0x0231 is 231. A digit A to F counts with its
// value (10 to 15) in its decimal place, so 0x023A is 2*100 + 3*10 + 10 = 240 and
// 0x02A0 is 2*100 + 10*10 = 300. Such words are builds outside the decimal
// numbering; this places them next to the decimal versions they extend instead of
// failing the identification of a device that answers normally.
int FirmwareNumber(std::uint16_t word);

// XPort firmware version as one comparable number: major * 65536 + minor * 256 + patch.
constexpr std::uint32_t Version(int major, int minor, int patch)
{
    return static_cast<std::uint32_t>(major) * 65536u + static_cast<std::uint32_t>(minor) * 256u +
           static_cast<std::uint32_t>(patch);
}
std::uint32_t RecordVersion(const TXPortRecords &records);

// Unit code (2 degC, 3 degF, 4 %) of channel 1 to 5 of a first Ethernet family device.
int ChannelUnit(const TXPortRecords &records, std::uint32_t version, int channel);

// Bytes from `first` up to the first zero byte, at most maxChars of them, as
// characters of the device's single-byte code page (Latin-1).
QString RecordText(const TXPortRecord &record, int first, int maxChars);

// Four bytes as eight upper-case hexadecimal digits, in record order.
QString SerialOfBytes(const TXPortRecord &record, int first);

// 8 upper-case hexadecimal digits: the high word, then the low word.
QString SerialOfWords(std::uint16_t low, std::uint16_t high);

} // namespace Identification
