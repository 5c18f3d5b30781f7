#include "connection/uIdentify.h"

#include "model/uExceptions.h"

TLangQuan &TIdentifyTarget::Quantity(int slot) const
{
    if (slot < 0 || slot >= Identification::QuantityCount)
        throw Exception(QStringLiteral("Index out of bound."));
    if (slot >= Identification::DuskoFirstSlot)
        return QuansEx[static_cast<std::size_t>(slot - Identification::DuskoFirstSlot)];
    return Quans[static_cast<std::size_t>(slot)];
}

namespace Identification
{

int FirmwareNumber(std::uint16_t word)
{
    int number = 0;
    for (int shift = 12; shift >= 0; shift -= 4)
        number = number * 10 + ((word >> shift) & 0xF);
    return number;
}

std::uint32_t RecordVersion(const TXPortRecords &records)
{
    const TXPortRecord &r4 = records[4];
    return Version(r4[79], r4[80], r4[81]);
}

int ChannelUnit(const TXPortRecords &records, std::uint32_t version, int channel)
{
    constexpr int degC = 2, degF = 3, percent = 4;
    if (version < Version(5, 1, 1))
        return degC;
    if (version < Version(5, 5, 1))
        return (records[4][68] & 0x02) != 0 ? degC : degF;
    if (channel < 1 || channel > 5)
        return degC;
    const std::uint8_t unitByte = records[1][static_cast<std::size_t>(channel - 1)];
    const std::uint8_t probe = records[1][static_cast<std::size_t>(80 + channel)];
    if (probe == 2) {
        if (unitByte == 0)
            return percent;
        return unitByte == 1 ? degF : degC;
    }
    return unitByte == 1 ? degF : degC;
}

QString RecordText(const TXPortRecord &record, int first, int maxChars)
{
    QString text;
    for (int i = first; i < static_cast<int>(record.size()) && text.size() < maxChars; ++i) {
        const std::uint8_t b = record[static_cast<std::size_t>(i)];
        if (b == 0)
            break;
        text.append(QChar(static_cast<char16_t>(b))); // Latin-1: the byte is the code point
    }
    return text;
}

QString SerialOfBytes(const TXPortRecord &record, int first)
{
    QString text;
    for (int i = first; i < first + 4; ++i)
        text += QStringLiteral("%1").arg(record[static_cast<std::size_t>(i)], 2, 16, QLatin1Char('0'));
    return text.toUpper();
}

QString SerialOfWords(std::uint16_t low, std::uint16_t high)
{
    return QStringLiteral("%1%2")
        .arg(high, 4, 16, QLatin1Char('0'))
        .arg(low, 4, 16, QLatin1Char('0'))
        .toUpper();
}

namespace
{

// Serial-family memory addresses.
constexpr std::uint16_t addrSerialLow = 0x1035;
constexpr std::uint16_t addrKind = 0x1037;
constexpr std::uint16_t addrChannelConfig = 0x103F;
constexpr std::uint16_t addrUnitWord = 0x203F;
constexpr std::uint16_t addrFirmware = 0x3002;

// Channel configuration word bits.
constexpr std::uint16_t cfgTemperature = 0x8000;
constexpr std::uint16_t cfgPressure = 0x2000;
constexpr std::uint16_t cfgHumidity = 0x0002;

constexpr int unitDegC = 2;
constexpr int unitHPa = 5;

void ReadXPortRecords(const TIdentifyTarget &t, TXPortRecords &records)
{
    try {
        TXPort xport;
        xport.Host = t.IP;
        xport.Port = t.XPortUdpPort;
        for (std::uint8_t n : {1, 2, 4, 5, 6})
            xport.ReadRecord(n, records[n]);
    } catch (const std::exception &) {
        throw Exception(QStringLiteral("Unable to read from XPort."));
    }
}

// Configures one Gelmi channel (1 to 5) when its probe type allows it.
void ConfigureGelmiChannel(const TIdentifyTarget &t, const TXPortRecords &records, std::uint32_t version,
                           int channel, bool checkProbe)
{
    TLangQuan &q = t.Quantity(GelmiFirstSlot + channel - 1);
    q.Number = channel;
    const std::uint8_t probe = records[1][static_cast<std::size_t>(80 + channel)];
    if (checkProbe && probe != 1 && probe != 2) {
        q.SetQuanType(TQuantity::qtNone);
        return;
    }
    const int unit = ChannelUnit(records, version, channel);
    q.SetQuanType(unit == 4 ? TQuantity::qtRelativeHumidity : TQuantity::qtTemperature);
    q.SetQuanUnit(unit);
}

} // namespace

void ResetQuantities(const TIdentifyTarget &t)
{
    for (int i = 0; i < QuantityCount; ++i) {
        TLangQuan &q = t.Quantity(i);
        q.SetQuanType(TQuantity::qtNone);
        q.AlarmMode = TLangQuan::amDevice;
    }
}

void Identify(const TIdentifyTarget &t)
{
    ResetQuantities(t);
    // Nothing of an earlier device may survive into this one: the flags and the
    // error list are set only by the branches that apply to the new device.
    t.FiveChannel = false;
    t.DeviceAlarmBlock = false;
    t.HasBinaryInputs = false;
    t.Firmware.reset();
    t.XPortFirmware.reset();
    t.Errors.SetListType(TErrMessageList::ltGeneric);

    if (!t.Ethernet) {
        IdentifySerialFamily(t, 0, 0, 0);
        return;
    }

    TXPortRecords records{};
    ReadXPortRecords(t, records);
    const TXPortRecord &r4 = records[4];
    const int deviceType = r4[78];
    if (deviceType != 1 && deviceType != 4 && deviceType != 7)
        throw Exception(QStringLiteral("Device is not transmitter! (bad XPort firmware device type)"));
    t.XPortFirmware = std::array<std::uint8_t, 3>{r4[79], r4[80], r4[81]};
    switch (deviceType) {
    case 1:
        IdentifySerialFamily(t, r4[79], r4[80], r4[81]);
        break;
    case 4:
        IdentifyFirstEthernetFamily(t, records, RecordVersion(records), r4[82]);
        break;
    default:
        IdentifySecondEthernetFamily(t, records);
        break;
    }
}

void IdentifySerialFamily(const TIdentifyTarget &t, int major, int minor, int patch)
{
    TSegmentBuffer seg1{}, seg2{}, seg3{};
    bool read = false;
    for (int attempt = 0; attempt < SegmentAttempts && !read; ++attempt) {
        try {
            t.Modbus.ReadSegment(1, seg1);
            t.Modbus.ReadSegment(2, seg2);
            t.Modbus.ReadSegment(3, seg3);
            read = true;
        } catch (const std::exception &) {
            // A checksum or bus error costs only this attempt.
        }
    }
    if (!read)
        throw Exception(QStringLiteral("Error occured when read from MSP"));

    const int F = FirmwareNumber(TMSPModbus::WordAt(addrFirmware, seg3));
    t.Firmware = F;
    t.SensType.SetKindRegister(TMSPModbus::WordAt(addrKind, seg1));
    if (t.SensType.GetKind() == 0)
        throw Exception(QStringLiteral("Unknown sensor kind in MSP Flash0 KIND register."));

    const auto [low, high] = t.Modbus.ReadRegisterPair(addrSerialLow);
    t.SerialText = SerialOfWords(low, high);

    const std::uint16_t C = TMSPModbus::WordAt(addrChannelConfig, seg1);
    const std::uint16_t U = TMSPModbus::WordAt(addrUnitWord, seg2);
    const bool serial = !t.Ethernet;
    const std::uint16_t caps = t.SensType.GetCapabilities();
    auto present = [&t](int slot) { return t.Quantity(slot).GetQuanType() != TQuantity::qtNone; };

    TLangQuan &temperature = t.Quantity(0);
    if (caps & TSensType::capTemperature) {
        if (F <= 220) {
            temperature.SetQuanType(TQuantity::qtTemperature);
            temperature.SetQuanUnit(unitDegC);
        } else if (C & cfgTemperature) {
            temperature.SetQuanType(TQuantity::qtTemperature);
            if (F < 230)
                temperature.SetQuanUnit(unitDegC);
            else
                temperature.SetUnitWord(U);
        }
        if (present(0) && serial)
            temperature.AlarmMode = TLangQuan::amLimits;
    }

    TLangQuan &humidity = t.Quantity(1);
    if ((caps & TSensType::capHumidity) && (C & cfgHumidity)) {
        humidity.SetQuanType(TQuantity::qtRelativeHumidity);
        if (serial)
            humidity.AlarmMode = TLangQuan::amLimits;
    }

    TLangQuan &pressure = t.Quantity(3);
    if (caps & TSensType::capPressure) {
        if (F <= 220) {
            pressure.SetQuanType(TQuantity::qtPressure);
            pressure.SetQuanUnit(unitHPa);
        } else if (C & cfgPressure) {
            pressure.SetQuanType(TQuantity::qtPressure);
            if (F < 230)
                pressure.SetQuanUnit(unitHPa);
            else
                pressure.SetUnitWord(U);
        }
    }

    // The extended alarm-code block came with XPort firmware 4.4.1.
    t.DeviceAlarmBlock = !serial && Version(major, minor, patch) >= Version(4, 4, 1);
    if (present(3) && (serial || !t.DeviceAlarmBlock))
        pressure.AlarmMode = TLangQuan::amLimits;

    if (caps & TSensType::capCO2) {
        t.Quantity(4).SetQuanType(TQuantity::qtCO2Concentration);
        for (int i = 0; i < 3; ++i) {
            TLangQuan &level = t.Quantity(8 + i);
            level.SetQuanType(TQuantity::qtCO2Level);
            level.Number = i + 1;
        }
    }

    TLangQuan &computed = t.Quantity(2);
    computed.SetTypeWord(C);
    if (present(0) && present(1)) {
        if (computed.GetQuanType() == TQuantity::qtNone || F <= 214)
            computed.SetQuanType(TQuantity::qtDewPoint);
    } else if (present(2)) {
        computed.SetQuanType(TQuantity::qtNone);
    }
    if (computed.GetQuanType() == TQuantity::qtDewPoint)
        computed.SetQuanUnit(temperature.GetQuanUnit());
    if (present(2) && serial)
        computed.AlarmMode = TLangQuan::amLimits;

    t.HasBinaryInputs = t.SensType.HasBinaryInputs();
    if (t.HasBinaryInputs) {
        for (int i = 0; i < 3; ++i) {
            TLangQuan &input = t.Quantity(5 + i);
            input.SetQuanType(TQuantity::qtBinaryInput);
            input.Number = i + 1;
            if (serial)
                input.AlarmMode = TLangQuan::amBinary;
        }
    }

    if (t.SensType.HasRelays()) {
        for (int i = 0; i < 2; ++i) {
            TLangQuan &relay = t.Quantity(11 + i);
            relay.SetQuanType(TQuantity::qtRelayOutput);
            relay.Number = i + 1;
            relay.AlarmMode = TLangQuan::amBinary;
        }
    }
}

void IdentifyFirstEthernetFamily(const TIdentifyTarget &t, const TXPortRecords &records,
                                 std::uint32_t version, int sensorType)
{
    int kind = 0;
    switch (sensorType) {
    case 5:
        kind = 77;
        break;
    case 6:
        kind = 78;
        break;
    case 7:
        kind = 79;
        break;
    case 20:
        kind = 80;
        break;
    case 21:
        kind = 81;
        break;
    default:
        throw Exception(QStringLiteral("Unknown sensor type in XPort SENSOR_TYPE register."));
    }
    t.SensType.SetKind(kind);
    t.SerialText = SerialOfBytes(records[2], version == Version(2, 0, 1) ? 95 : 85);

    const TXPortRecord &r1 = records[1];
    std::array<bool, 6> flagged{false, true, true, true, true, false}; // index = channel
    if (version >= Version(5, 1, 1) && version < Version(5, 5, 1)) {
        for (int k = 1; k <= 4; ++k)
            flagged[static_cast<std::size_t>(k)] = (records[5][125] >> (k - 1)) & 1;
    } else if (version >= Version(5, 5, 1)) {
        for (int k = 1; k <= 4; ++k)
            flagged[static_cast<std::size_t>(k)] = (r1[5] >> (k - 1)) & 1;
        t.FiveChannel = records[4][77] == 0xEE;
        if (t.FiveChannel)
            flagged[5] = (r1[5] >> 4) & 1;
    }

    int channels = t.SensType.GetChannelCount();
    if (version >= Version(5, 5, 1)) {
        t.Errors.SetListType(TErrMessageList::ltGelmi);
        if (t.FiveChannel)
            channels = 5;
    }

    if (flagged[1])
        ConfigureGelmiChannel(t, records, version, 1, false);
    for (int k = 2; k <= 4; ++k) {
        if (channels >= k && flagged[static_cast<std::size_t>(k)])
            ConfigureGelmiChannel(t, records, version, k, true);
    }
    if (channels == 5 && flagged[5])
        ConfigureGelmiChannel(t, records, version, 5, true);
}

void IdentifySecondEthernetFamily(const TIdentifyTarget &t, const TXPortRecords &records)
{
    t.SensType.SetKind(82);
    t.SerialText = SerialOfBytes(records[2], 85);
    t.Errors.SetListType(TErrMessageList::ltDusko);

    const TXPortRecord &r1 = records[1];
    struct Layout {
        int bit, nameAt, nameMax, unitAt, unitMax, decimalsAt;
    };
    static constexpr Layout layouts[2] = {{0, 1, 22, 41, 49, 97}, {1, 21, 42, 49, 57, 99}};
    for (int i = 0; i < 2; ++i) {
        const Layout &l = layouts[i];
        if (((r1[0] >> l.bit) & 1) == 0)
            continue;
        TLangQuanEx &q = t.QuansEx[static_cast<std::size_t>(i)];
        q.Number = i + 1;
        q.SetQuanType(TQuantity::qtComputed);
        q.SetQuanUnit(1);
        q.SetCustomName(RecordText(r1, l.nameAt, l.nameMax));
        q.SetCustomDecimals(r1[static_cast<std::size_t>(l.decimalsAt)]);
        q.SetCustomUnit(RecordText(r1, l.unitAt, l.unitMax));
    }
}

} // namespace Identification
