#include "discovery/uXPortSearch.h"

#include "comm/uDeviceComm.h"
#include "discovery/IPInfo.h"
#include "model/uExceptions.h"
#include "platform/ProfileIni.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <chrono>

namespace
{

const QString NotAvailable = QStringLiteral("N/A");
const QString TypesSection = QStringLiteral("GlobalTypes");

const QByteArray DiscoveryQuery("\x00\x00\x00\xF6", 4);
const QByteArray InfoQuery("\x00\x00\x00\xE4", 4);
const QByteArray DescriptionQuery("\x00\x00\x00\xE6", 4);

constexpr int DescriptionOffsetInInfo = 4;
constexpr int DescriptionOffsetInDescription = 36;
constexpr int VariantOffset = 81;
constexpr int FamilyOffset = 82;
constexpr int TypeCodeOffset = 86;

struct TTypeName {
    const char *key;
    const char *name;
};

// Built-in display names, in the order of the [GlobalTypes] keys.
constexpr std::array<TTypeName, TXportSearch::TypeNameCount> BuiltInNames{{
    {"Lan", "LAN Adapter"},    {"KW100", "WS100 Web Sensor"}, {"KW101", "WS200 Web Sensor"},
    {"KW102", "XL300 Logger"}, {"KW103", "XL310 Logger"},     {"Sensor100", "T7110"},
    {"Sensor101", "H7120"},    {"Sensor102", "H7130"},        {"Sensor103", "HP7140"},
    {"Sensor104", "T7150"},    {"Sensor105", "H7160"},        {"Sensor106", "P7170"},
    {"Sensor107", "C7180"},    {"Sensor108", "ET5791"},       {"Sensor109", "ET5771"},
    {"Sensor10A", "ET5784"},   {"Sensor10B", "T7190"},        {"Sensor10C", "H7200"},
    {"Sensor10D", "H7210"},    {"Sensor10E", "HP7220"},       {"Sensor10F", "C7230"},
    {"Sensor110", "HC7240"},   {"Sensor111", "T7250"},        {"Sensor112", "H7260"},
    {"Sensor113", "P7270"},    {"Sensor114", "T7280"},        {"Sensor115", "H7290"},
    {"Sensor116", "HP7300"},   {"Sensor117", "C7310"},        {"Sensor118", "HC7320"},
    {"Sensor119", "TC7330"},   {"Sensor11A", "T7340"},        {"Sensor11B", "H7350"},
    {"Sensor11C", "ED5822"},   {"Sensor11D", "HP7360"},       {"Sensor11E", "C7370"},
    {"Sensor11F", "HC7380"},   {"Sensor120", "ET5801"},       {"Sensor121", "ET5813"},
    {"Sensor122", "T7390"},    {"Sensor123", "H7400"},        {"Sensor124", "HP7410"},
    {"Sensor125", "C7420"},    {"Sensor126", "HC7430"},
}};

int KeyIndex(const QString &key)
{
    for (std::size_t i = 0; i < BuiltInNames.size(); ++i) {
        if (key.compare(QLatin1String(BuiltInNames[i].key), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QString SensorKey(int number)
{
    return QStringLiteral("Sensor1") + QStringLiteral("%1").arg(number, 2, 16, QLatin1Char('0')).toUpper();
}

// A firmware text "C-M-N.PP" taken apart: the four numbers (each modulo 256) when
// it has exactly four parts and every part is a whole number.
struct TFirmwareParts {
    bool FourParts = false;
    bool Numeric = false;
    QStringList Parts;
    std::array<int, 4> Numbers{};

    explicit TFirmwareParts(QString firmware)
    {
        Parts = firmware.replace(QLatin1Char('.'), QLatin1Char('-')).split(QLatin1Char('-'));
        FourParts = Parts.size() == 4;
        if (!FourParts)
            return;
        Numeric = true;
        for (int i = 0; i < 4 && Numeric; ++i) {
            const qulonglong value = Parts[i].toULongLong(&Numeric);
            Numbers[static_cast<std::size_t>(i)] = static_cast<int>(value % 256);
        }
    }

    int Family() const { return Numbers[0]; }
    int Version() const { return Numbers[1] * 65536 + Numbers[2] * 256 + Numbers[3]; }
};

constexpr int Version(int major, int minor, int patch)
{
    return major * 65536 + minor * 256 + patch;
}

quint8 ByteAt(const QByteArray &bytes, int offset)
{
    return static_cast<quint8>(bytes[offset]);
}

// The next datagram from the device within the wait. A late reply of the device
// queried before would otherwise be taken for this one's and give it the other's
// firmware and type.
QByteArray ReceiveFrom(TXPort &socket, const QString &device, int waitMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (int i = 0; i < TXportSearch::MaxAnswersPerAdapter; ++i) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        QString sender;
        const QByteArray datagram = socket.ReceiveBuffer(static_cast<int>(left), &sender);
        if (datagram.isEmpty() || sender == device)
            return datagram;
    }
    return {};
}

} // namespace

TXportSearch::TXportSearch()
{
    for (std::size_t i = 0; i < BuiltInNames.size(); ++i)
        m_typeNames[i] = QString::fromLatin1(BuiltInNames[i].name);
}

void TXportSearch::SetIniFile(const QString &path)
{
    m_iniPath = path;
    LoadTypeNames();
}

void TXportSearch::LoadTypeNames()
{
    if (m_iniPath.isEmpty() || !QFileInfo(m_iniPath).isFile())
        return;
    TProfileIni ini;
    if (!ini.Load(m_iniPath) || ini.Keys(TypesSection).isEmpty())
        return;
    for (std::size_t i = 0; i < BuiltInNames.size(); ++i) {
        m_typeNames[i] = ini.ReadString(TypesSection, QLatin1String(BuiltInNames[i].key),
                                        QString::fromLatin1(BuiltInNames[i].name));
    }
}

const QStringList &TXportSearch::TypeNameKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const TTypeName &entry : BuiltInNames)
            list.append(QLatin1String(entry.key));
        return list;
    }();
    return keys;
}

QString TXportSearch::TypeName(const QString &key) const
{
    const int index = KeyIndex(key);
    return index < 0 ? QString() : m_typeNames[static_cast<std::size_t>(index)];
}

QString TXportSearch::DefaultTypeName(const QString &key)
{
    const int index = KeyIndex(key);
    return index < 0 ? QString() : QString::fromLatin1(BuiltInNames[static_cast<std::size_t>(index)].name);
}

QString TXportSearch::TypeKey(int familyCode, int typeCode)
{
    switch (familyCode) {
    case 1:
        switch (typeCode) {
        case 0:
            return SensorKey(0x00);
        case 1:
            return SensorKey(0x04);
        case 2:
            return SensorKey(0x05);
        case 3:
            return SensorKey(0x07);
        case 4:
            return SensorKey(0x02);
        case 8:
            return SensorKey(0x01);
        case 9:
            return SensorKey(0x03);
        case 10:
            return SensorKey(0x06);
        default:
            break;
        }
        if ((typeCode >= 11 && typeCode <= 19) || (typeCode >= 34 && typeCode <= 38))
            return SensorKey(typeCode);
        if ((typeCode >= 22 && typeCode <= 29) || (typeCode >= 31 && typeCode <= 33))
            return SensorKey(typeCode - 2);
        return {};
    case 2:
        return QStringLiteral("Lan");
    case 3:
        return QStringLiteral("KW100");
    case 4:
        switch (typeCode) {
        case 5:
            return SensorKey(0x09);
        case 6:
            return SensorKey(0x0A);
        case 7:
            return SensorKey(0x08);
        case 20:
            return SensorKey(0x20);
        case 21:
            return SensorKey(0x21);
        default:
            return {};
        }
    case 5:
        return QStringLiteral("KW101");
    case 6:
        return typeCode == 6 ? QStringLiteral("KW102") : QStringLiteral("KW103");
    case 7:
        return typeCode == 30 ? SensorKey(0x1C) : QString();
    default:
        return {};
    }
}

QString TXportSearch::DecodeMac(const QByteArray &datagram)
{
    if (datagram.size() != DiscoveryReplyLength)
        return NotAvailable;
    QStringList pairs;
    for (int i = DiscoveryReplyLength - 6; i < DiscoveryReplyLength; ++i)
        pairs.append(QStringLiteral("%1").arg(ByteAt(datagram, i), 2, 16, QLatin1Char('0')).toUpper());
    return pairs.join(QLatin1Char('-'));
}

void TXportSearch::DecodeDeviceInfo(const QByteArray &reply, TXportPar &record) const
{
    record.Firmware = NotAvailable;
    record.DeviceType = NotAvailable;
    if (reply.size() != InfoReplyLength)
        return;
    record.Firmware = QStringLiteral("%1-%2-%3.%4")
                          .arg(ByteAt(reply, FamilyOffset))
                          .arg(ByteAt(reply, FamilyOffset + 1))
                          .arg(ByteAt(reply, FamilyOffset + 2))
                          .arg(ByteAt(reply, FamilyOffset + 3), 2, 10, QLatin1Char('0'));
    const QString key = TypeKey(ByteAt(reply, FamilyOffset), ByteAt(reply, TypeCodeOffset));
    if (!key.isEmpty())
        record.DeviceType = TypeName(key);
}

bool TXportSearch::HasFullInfo(const QString &firmware)
{
    const TFirmwareParts parts(firmware);
    if (!parts.FourParts || !parts.Numeric)
        return true;
    switch (parts.Family()) {
    case 1:
        return parts.Version() >= Version(4, 5, 0);
    case 2:
        return parts.Version() >= Version(5, 2, 0);
    case 4:
        return parts.Version() >= Version(4, 2, 0);
    case 3:
    case 5:
    case 6:
    case 7:
        return true;
    default:
        return false;
    }
}

QString TXportSearch::DecodeDescription(const QByteArray &reply, const QString &firmware, bool infoReplyUsed)
{
    if (reply.size() != InfoReplyLength)
        return {};
    const int start = infoReplyUsed ? DescriptionOffsetInInfo : DescriptionOffsetInDescription;
    QByteArray text = reply.mid(start, DescriptionMaxLength);
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    const TFirmwareParts parts(firmware);
    if (parts.FourParts && parts.Numeric) {
        if (parts.Family() == 3 || (parts.Family() == 5 && parts.Version() <= Version(5, 1, 22)))
            return {};
    }
    return QString::fromLatin1(text);
}

QString TXportSearch::DecodeVariantChar(const QByteArray &reply, const QString &firmware)
{
    static const QRegularExpression digits(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+")));
    if (reply.size() != InfoReplyLength)
        return {};
    const TFirmwareParts parts(firmware);
    if (!parts.FourParts || !digits.match(parts.Parts[0]).hasMatch())
        return {};
    bool ok = false;
    const qulonglong family = parts.Parts[0].toULongLong(&ok);
    if (!ok || family % 256 != 6)
        return {};
    return QString(QChar(ByteAt(reply, VariantOffset)));
}

const TXportPar &TXportSearch::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw ERangeError(QStringLiteral("device index out of range: %1").arg(index));
    return m_records[static_cast<std::size_t>(index)];
}

bool TXportSearch::IsListed(const QString &mac) const
{
    for (const TXportPar &record : m_records) {
        if (record.MAC == mac)
            return true;
    }
    return false;
}

void TXportSearch::SearchAll()
{
    QStringList addresses;
    ListAdapterAddresses(addresses);
    for (const QString &address : addresses)
        SearchOnAdapter(address);
}

void TXportSearch::SearchOnAdapter(const QString &localAddress)
{
    TXPort socket;
    if (!localAddress.isEmpty())
        socket.Bind(localAddress);
    const std::size_t firstNew = m_records.size();
    try {
        socket.Broadcast(DiscoveryQuery, Port);
    } catch (const Exception &) {
        return; // this adapter cannot broadcast: go on with the next one
    }

    TXportPar record;
    QByteArray answer = socket.ReceiveBuffer(AnswerWaitMs, &record.IP);
    for (int answers = 0; !answer.isEmpty() && answers < MaxAnswersPerAdapter; ++answers) {
        record.MAC = DecodeMac(answer);
        if (record.Adapter == NotAvailable)
            record.Adapter = localAddress;
        if (!IsListed(record.MAC)) {
            m_records.push_back(record);
            record = TXportPar();
        }
        answer = socket.ReceiveBuffer(AnswerWaitMs, &record.IP);
    }

    for (std::size_t i = firstNew; i < m_records.size(); ++i)
        QueryDetails(socket, m_records[i]);
}

void TXportSearch::QueryDetails(TXPort &socket, TXportPar &record) const
{
    socket.Host = record.IP;
    socket.Port = Port;
    // Late answers to an earlier query must not be taken for this device's reply.
    socket.DiscardPending();
    socket.SendBuffer(InfoQuery);
    QByteArray reply = ReceiveFrom(socket, record.IP, AnswerWaitMs);
    record.Firmware.clear();
    record.DeviceType.clear();
    DecodeDeviceInfo(reply, record);
    const bool infoReplyUsed = HasFullInfo(record.Firmware);
    if (!infoReplyUsed) {
        socket.DiscardPending();
        socket.SendBuffer(DescriptionQuery);
        reply = ReceiveFrom(socket, record.IP, AnswerWaitMs);
    }
    record.Description = DecodeDescription(reply, record.Firmware, infoReplyUsed);
    record.VariantChar = DecodeVariantChar(reply, record.Firmware);
}
