// A datagram answering an XPort configuration-record read: the reply check, the
// record decoding and everything identification takes from the records (version,
// units, texts, serial numbers and the two Ethernet families' channel set-up).

#include "FuzzCheck.h"

#include "comm/uDeviceComm.h"
#include "comm/uMSPComm.h"
#include "connection/uIdentify.h"
#include "model/uExceptions.h"

#include <cstddef>
#include <cstdint>

namespace
{

// The objects a connection holds, made once: identification only reconfigures them.
struct TConnectionObjects {
    TMSPModbus Modbus;
    TSensType SensType;
    QString SerialText;
    bool FiveChannel = false;
    bool DeviceAlarmBlock = false;
    bool HasBinaryInputs = false;
    std::optional<int> Firmware;
    std::optional<std::array<std::uint8_t, 3>> XPortFirmware;
    TErrMessageList Errors;
    std::array<TLangQuan, 18> Quans;
    std::array<TLangQuanEx, 2> QuansEx;

    TIdentifyTarget Target()
    {
        return TIdentifyTarget{Modbus,
                               true,
                               QStringLiteral("127.0.0.1"),
                               30718,
                               SensType,
                               SerialText,
                               FiveChannel,
                               DeviceAlarmBlock,
                               HasBinaryInputs,
                               Firmware,
                               XPortFirmware,
                               Errors,
                               Quans,
                               QuansEx};
    }
};

void CheckQuantities(const TIdentifyTarget &t)
{
    for (int slot = 0; slot < Identification::QuantityCount; ++slot) {
        const TLangQuan &q = t.Quantity(slot);
        FUZZ_CHECK(q.GetQuanType() <= 14);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the record number, the rest is the datagram.
    const std::uint8_t n = data[0] & 0x0F;
    const QByteArray datagram(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    TXPortRecord record{};
    try {
        TXPort::DecodeRecordReply(n, TXPort::BytesToHex(datagram), record);
    } catch (const Exception &) {
        return 0;
    }
    FUZZ_CHECK(datagram.size() == (n == 0 ? 124 : 130));
    FUZZ_CHECK(static_cast<std::uint8_t>(datagram[3]) == 0xD0 + n);

    // The one record stands for every record identification reads.
    TXPortRecords records{};
    for (std::size_t i : {1u, 2u, 4u, 5u, 6u})
        records[i] = record;
    const std::uint32_t version = Identification::RecordVersion(records);
    for (int channel = 0; channel <= 6; ++channel) {
        const int unit = Identification::ChannelUnit(records, version, channel);
        FUZZ_CHECK(unit == 2 || unit == 3 || unit == 4);
    }
    FUZZ_CHECK(Identification::RecordText(record, 1, 22).size() <= 22);
    FUZZ_CHECK(Identification::RecordText(record, 120, 200).size() <= 6);
    FUZZ_CHECK(Identification::SerialOfBytes(record, 85).size() == 8);

    static TConnectionObjects objects;
    const TIdentifyTarget target = objects.Target();
    Identification::ResetQuantities(target);
    try {
        Identification::IdentifyFirstEthernetFamily(target, records, version, record[82]);
        CheckQuantities(target);
    } catch (const Exception &) {
        // An unknown sensor type is the identification's own message.
    }
    Identification::ResetQuantities(target);
    Identification::IdentifySecondEthernetFamily(target, records);
    CheckQuantities(target);
    for (const TLangQuanEx &q : objects.QuansEx)
        FUZZ_CHECK(q.CustomName.size() <= 42 && q.CustomUnit.size() <= 57);
    return 0;
}
