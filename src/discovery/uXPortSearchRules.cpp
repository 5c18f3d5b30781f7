#include "discovery/uXPortSearchRules.h"

#include "discovery/uXPortIPChange.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <numeric>

namespace XPortSearchRules
{

namespace
{

// The literals are marked with their context so that lupdate collects them; the lookup
// itself happens here, when the window is created.
QString SearchText(const char *text)
{
    return QCoreApplication::translate("TfXPortSearchGUI", text);
}

QString ChangeText(const char *text)
{
    return QCoreApplication::translate("TfXPortIPChangeGUI", text);
}

// The parts of a text split at a separator when there are exactly `count` of them and
// every one reads as a number of that base; nothing otherwise.
std::optional<std::vector<qulonglong>> NumberParts(const QString &text, QChar separator, qsizetype count,
                                                   int base)
{
    const QStringList parts = text.split(separator);
    if (parts.size() != count)
        return std::nullopt;
    std::vector<qulonglong> numbers;
    for (const QString &part : parts) {
        bool ok = false;
        const qulonglong n = part.toULongLong(&ok, base);
        if (!ok || part.isEmpty() || part.startsWith(QLatin1Char('+')) || part.startsWith(QLatin1Char('-')))
            return std::nullopt;
        numbers.push_back(n);
    }
    return numbers;
}

// The firmware C-M-N.PP as four numbers, nothing when it is not of that form.
std::optional<std::vector<qulonglong>> FirmwareNumbers(const QString &firmware)
{
    const QStringList parts = firmware.split(QLatin1Char('-'));
    if (parts.size() != 3)
        return std::nullopt;
    const auto head = NumberParts(parts[0] + QLatin1Char('.') + parts[1], QLatin1Char('.'), 2, 10);
    const auto tail = NumberParts(parts[2], QLatin1Char('.'), 2, 10);
    if (!head || !tail)
        return std::nullopt;
    return std::vector<qulonglong>{(*head)[0], (*head)[1], (*tail)[0], (*tail)[1]};
}

int CompareNumbers(const std::vector<qulonglong> &a, const std::vector<qulonglong> &b)
{
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

int CompareParts(const QString &a, const QString &b, QChar separator, qsizetype count, int base)
{
    const auto na = NumberParts(a, separator, count, base);
    const auto nb = NumberParts(b, separator, count, base);
    if (na && nb)
        return CompareNumbers(*na, *nb);
    return CompareText(a, b);
}

} // namespace

TXPortSearchLangSupport DefaultSearchTexts()
{
    return {SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Find device")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Search")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Help! My device wasn't found!")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Change IP")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Select")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Cancel")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "IP address")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "MAC address")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Firmware")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Device type")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Device description")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Change IP address")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Change")),
            SearchText(QT_TRANSLATE_NOOP("TfXPortSearchGUI", "Set IP address to ARP table only")),
            {},
            {},
            {},
            {},
            {},
            {}};
}

TXPortIPChangeLangSupport DefaultIPChangeTexts()
{
    const TXPortIPChange change; // its messages follow the user-interface language
    return {ChangeText(QT_TRANSLATE_NOOP("TfXPortIPChangeGUI", "Change IP address")),
            ChangeText(QT_TRANSLATE_NOOP("TfXPortIPChangeGUI", "Change")),
            ChangeText(QT_TRANSLATE_NOOP("TfXPortIPChangeGUI", "Cancel")),
            ChangeText(QT_TRANSLATE_NOOP("TfXPortIPChangeGUI", "IP address:")),
            ChangeText(QT_TRANSLATE_NOOP("TfXPortIPChangeGUI", "MAC address")),
            ChangeText(QT_TRANSLATE_NOOP("TfXPortIPChangeGUI", "Set IP address to ARP table only")),
            change.MsgArpDone,
            change.MsgRequestSent,
            change.MsgChangeError,
            change.MsgIpSyntax,
            change.MsgIpExists,
            change.MsgMacSyntax};
}

TXPortIPChangeLangSupport IPChangeTextsFrom(const TXPortSearchLangSupport &texts)
{
    return {texts[11], texts[12], texts[5],  texts[6],  texts[7],  texts[13],
            texts[14], texts[15], texts[16], texts[17], texts[18], texts[19]};
}

TXPortIPChangeMsgLngSupport ChangeMessagesOf(const TXPortIPChangeLangSupport &texts)
{
    return {texts[6], texts[7], texts[8], texts[9], texts[10], texts[11]};
}

TButtonLayout LayoutButtons(TSearchButtons buttons)
{
    TButtonLayout layout;
    layout.Buttons = buttons ? buttons : TSearchButtons(sbSelect);
    const bool all = layout.Buttons.testFlag(sbAll);
    layout.SelectVisible = all || layout.Buttons.testFlag(sbSelect);
    layout.ChangeIPVisible = all || layout.Buttons.testFlag(sbChangeIP);
    layout.HelpVisible = all || layout.Buttons.testFlag(sbHelp);
    layout.PanelHeight = layout.ChangeIPVisible ? ButtonPanelHeight : ButtonPanelHeight / 2 + 5;
    return layout;
}

std::optional<int> FamilyOf(const QString &firmware)
{
    static const QRegularExpression rest(QStringLiteral("-.*"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    QString family = firmware;
    family.replace(rest, QString());
    if (!digits.match(family).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = family.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool ChangeIPAllowed(const QString &firmware)
{
    return FamilyOf(firmware) != 6;
}

bool IsSuitable(TDeviceFilter filter, const QString &firmware, const QString &variantChar,
                const QString &address)
{
    const int family = FamilyOf(firmware).value_or(0);
    const QString variant = variantChar.isEmpty() ? QStringLiteral("A") : variantChar;
    const bool variantZero = variant == QLatin1String("0");
    if (!filter) {
        if (family == 6)
            return variantZero;
        return family >= 1 && family <= 7;
    }
    switch (family) {
    case 1:
    case 4:
    case 7:
        return filter.testFlag(dfTransmitters) || filter.testFlag(dfRestrictSelect);
    case 2:
        return filter.testFlag(dfLanAdapters) || filter.testFlag(dfRestrictSelect);
    case 3:
    case 5:
        return filter.testFlag(dfLoggers);
    case 6:
        return filter.testFlag(dfLoggers) && variantZero;
    default: {
        // An unknown device counts only in the factory's own test network.
        if (!filter.testFlag(dfRestrictSelect))
            return false;
        static const QRegularExpression lastNumber(QStringLiteral("\\.(\\d)+$"));
        static const QRegularExpression firstThree(QStringLiteral("((\\d)+\\.){3}"));
        QString network = address;
        network.replace(lastNumber, QString());
        QString host = address;
        host.replace(firstThree, QString());
        bool ok = false;
        const int last = host.toInt(&ok);
        return network == QLatin1String("192.168.1") && ok && last >= 100 && last <= 200;
    }
    }
}

TRowColour RowColour(bool suitable)
{
    return suitable ? TRowColour::Ordinary : TRowColour::Inactive;
}

std::vector<TDeviceRow> RowsOf(const std::vector<TXportPar> &records, TDeviceFilter filter)
{
    std::vector<TDeviceRow> rows;
    rows.reserve(records.size());
    for (const TXportPar &r : records)
        rows.push_back({r, IsSuitable(filter, r.Firmware, r.VariantChar, r.IP)});
    return rows;
}

QString CellText(const TXportPar &record, int column)
{
    switch (column) {
    case colIP:
        return record.IP;
    case colMAC:
        return record.MAC;
    case colFirmware:
        return record.Firmware;
    case colDeviceType:
        return record.DeviceType;
    case colDescription:
        return record.Description;
    case colAdapter:
        return record.Adapter;
    default:
        return {};
    }
}

int CompareText(const QString &a, const QString &b)
{
    const auto upper = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= u'a' && u <= u'z' ? char16_t(u - (u'a' - u'A')) : u;
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = upper(a[i]);
        const char16_t cb = upper(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareRows(int column, const TXportPar &a, const TXportPar &b)
{
    switch (column) {
    case colIP:
        return CompareParts(a.IP, b.IP, QLatin1Char('.'), 4, 10);
    case colMAC:
        return CompareParts(a.MAC, b.MAC, QLatin1Char('-'), 6, 16);
    case colFirmware: {
        const auto fa = FirmwareNumbers(a.Firmware);
        const auto fb = FirmwareNumbers(b.Firmware);
        if (fa && fb)
            return CompareNumbers(*fa, *fb);
        return CompareText(a.Firmware, b.Firmware);
    }
    case colDeviceType:
    case colDescription:
        return CompareText(CellText(a, column), CellText(b, column));
    default:
        return 0;
    }
}

std::vector<int> SortRows(std::vector<TDeviceRow> &rows, int column)
{
    // Insertion sort: stable, and safe with an order that is not transitive (texts of
    // mixed forms compare partly by number, partly as text); device lists are short.
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    for (std::size_t i = 1; i < order.size(); ++i) {
        const int moving = order[i];
        std::size_t j = i;
        while (j > 0 && CompareRows(column, rows[std::size_t(moving)].Record,
                                    rows[std::size_t(order[j - 1])].Record) < 0) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = moving;
    }
    std::vector<TDeviceRow> sorted;
    sorted.reserve(rows.size());
    for (int i : order)
        sorted.push_back(std::move(rows[std::size_t(i)]));
    rows = std::move(sorted);
    return order;
}

TChangeBoxKind ChangeBoxKind(int code)
{
    switch (code) {
    case TXPortIPChange::ArpDone:
        return TChangeBoxKind::Warning;
    case TXPortIPChange::RequestSent:
        return TChangeBoxKind::Information;
    default:
        return TChangeBoxKind::Error;
    }
}

QString TDhcpSwitch::Toggle(bool checked, const QString &shownAddress)
{
    if (!checked)
        return m_saved;
    m_saved = shownAddress;
    return QStringLiteral("0.0.0.0");
}

} // namespace XPortSearchRules
