#pragma once

// Finds the devices with an XPort module on the local networks of this computer:
// a discovery broadcast through every adapter, then an info query (and for old
// firmware a description query) to every device that answered.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

class TXPort;

// One device found by the search.
struct TXportPar {
    QString IP;                                 // sender of the discovery reply
    QString MAC;                                // "00-0A-1B-2C-3D-4E" or "N/A"
    QString Firmware = QStringLiteral("N/A");   // "C-M-N.PP" or "N/A"
    QString Description;                        // at most 65 characters
    QString DeviceType = QStringLiteral("N/A"); // display name, or "N/A"
    QString VariantChar;                        // empty or one character (family 6 only)
    QString Adapter = QStringLiteral("N/A");    // local address the device answered through
};

class TXportSearch
{
public:
    static constexpr int TypeNameCount = 44;
    static constexpr int AnswerWaitMs = 500;
    static constexpr int InfoReplyLength = 130;
    static constexpr int DiscoveryReplyLength = 30;
    static constexpr int DescriptionMaxLength = 65;
    // More answers than this through one adapter cannot be devices answering once
    // each; the collection stops there instead of waiting on a flood forever.
    static constexpr int MaxAnswersPerAdapter = 4096;

    TXportSearch();

    // Stores the path and reads the type names from its [GlobalTypes] section.
    void SetIniFile(const QString &path);
    const QString &IniFile() const { return m_iniPath; }

    // SearchOnAdapter for every address of ListAdapterAddresses, in order. Earlier
    // results stay; a device whose MAC text is already listed is not added again.
    // Raises Exception when the adapters cannot be listed or a socket fails.
    void SearchAll();
    // The search through one adapter; an empty address binds to no local address.
    void SearchOnAdapter(const QString &localAddress);

    int Count() const { return static_cast<int>(m_records.size()); }
    // Raises ERangeError for an index outside 0 .. Count() - 1.
    const TXportPar &Item(int index) const;

    // The 44 keys of [GlobalTypes], in table order.
    static const QStringList &TypeNameKeys();
    // The display name under a key (case-insensitive); empty for an unknown key.
    QString TypeName(const QString &key) const;
    static QString DefaultTypeName(const QString &key);
    // The key that a family code and a type code select; empty when none does.
    static QString TypeKey(int familyCode, int typeCode);

    // Decoding of the replies.
    static QString DecodeMac(const QByteArray &datagram);
    // Sets Firmware and DeviceType of the record from an info reply.
    void DecodeDeviceInfo(const QByteArray &reply, TXportPar &record) const;
    static bool HasFullInfo(const QString &firmware);
    static QString DecodeDescription(const QByteArray &reply, const QString &firmware, bool infoReplyUsed);
    static QString DecodeVariantChar(const QByteArray &reply, const QString &firmware);

    // The UDP port of the devices' configuration service (another one only in tests).
    std::uint16_t Port = 30718;

private:
    void LoadTypeNames();
    void QueryDetails(TXPort &socket, TXportPar &record) const;
    bool IsListed(const QString &mac) const;

    std::vector<TXportPar> m_records;
    std::array<QString, TypeNameCount> m_typeNames;
    QString m_iniPath;
};
