#pragma once

// Pieces of device identification that need no device: reading firmware numbers,
// XPort records and their texts. TDeviceConnection (uDeviceConnection.h) does the
// identification itself with them.

#include "comm/uDeviceComm.h"

#include <QString>

#include <array>
#include <cstdint>

// The XPort configuration records identification reads, indexed by record number
// (records 1, 2, 4, 5 and 6 are filled; the others stay zero).
using TXPortRecords = std::array<TXPortRecord, 7>;

namespace Identification
{

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
