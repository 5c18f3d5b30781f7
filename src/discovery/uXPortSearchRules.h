#pragma once

// The decisions of the device search window and the IP change window, kept apart
// from the widgets so they run without a display: which buttons show, which rows
// count as suitable and how they are drawn, how the list is ordered, which texts the
// IP change window gets and how the outcome of a change is shown.

#include "discovery/uXPortIPChange.h"
#include "discovery/uXPortSearch.h"

#include <QCoreApplication>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace XPortSearchRules
{

// The optional buttons of the search window.
enum TSearchButton { sbAll = 0x1, sbHelp = 0x2, sbChangeIP = 0x4, sbSelect = 0x8 };
Q_DECLARE_FLAGS(TSearchButtons, TSearchButton)

// Which rows count as suitable; empty in every opener of this program.
enum TDeviceFilterFlag { dfLanAdapters = 0x1, dfLoggers = 0x2, dfTransmitters = 0x4, dfRestrictSelect = 0x8 };
Q_DECLARE_FLAGS(TDeviceFilter, TDeviceFilterFlag)

// Columns of the device list.
enum TColumn { colIP = 0, colMAC, colFirmware, colDeviceType, colDescription, colAdapter, ColumnCount };

constexpr int ButtonPanelHeight = 73;

// Texts of the search window, and through it of the IP change window:
// 0 caption, 1 Search, 2 Help, 3 Change IP, 4 Select, 5 Cancel, 6-10 the captions of
// columns 0-4, 11 IP change caption, 12 Change, 13 ARP check box, 14-19 the six
// messages of the change (empty: the change's own).
using TXPortSearchLangSupport = std::array<QString, 20>;
// Texts of the IP change window: 0 caption, 1 Change, 2 Cancel, 3 address label,
// 4 MAC label, 5 ARP check box, 6-11 the six messages of the change.
using TXPortIPChangeLangSupport = std::array<QString, 12>;

TXPortSearchLangSupport DefaultSearchTexts();
TXPortIPChangeLangSupport DefaultIPChangeTexts();
// The texts the search window hands to the IP change window it opens.
TXPortIPChangeLangSupport IPChangeTextsFrom(const TXPortSearchLangSupport &texts);
// Texts 6-11 as the change object takes them.
TXPortIPChangeMsgLngSupport ChangeMessagesOf(const TXPortIPChangeLangSupport &texts);

struct TButtonLayout {
    TSearchButtons Buttons; // after the empty set became sbSelect alone
    bool SelectVisible = false;
    bool ChangeIPVisible = false;
    bool HelpVisible = false;
    int PanelHeight = ButtonPanelHeight; // without the Change IP row: half of it plus 5
};
TButtonLayout LayoutButtons(TSearchButtons buttons);

// The number before the first "-" of a firmware text; nothing when that is not a
// decimal number ("N/A").
std::optional<int> FamilyOf(const QString &firmware);
// Change IP is offered for every row but family 6 (a family that is not a number included).
bool ChangeIPAllowed(const QString &firmware);
bool IsSuitable(TDeviceFilter filter, const QString &firmware, const QString &variantChar,
                const QString &address);

// How a row is drawn: suitable rows in the list's ordinary text colour, the others
// in the colour of inactive (greyed) text.
enum class TRowColour { Ordinary, Inactive };
TRowColour RowColour(bool suitable);

// One row of the device list.
struct TDeviceRow {
    TXportPar Record;
    bool Suitable = false;
};
std::vector<TDeviceRow> RowsOf(const std::vector<TXportPar> &records, TDeviceFilter filter);
// The row's text in a column.
QString CellText(const TXportPar &record, int column);

// Case-insensitive for ASCII letters only, otherwise by character code: <0, 0 or >0.
int CompareText(const QString &a, const QString &b);
// The order of two rows by a column: addresses by their numbers, MAC addresses by
// their hexadecimal pairs, firmware by its numbers, other columns as text; the
// adapter column puts all rows equal. Malformed texts compare as text.
int CompareRows(int column, const TXportPar &a, const TXportPar &b);
// Orders the rows ascending by a column; rows that compare equal keep their order.
// Returns, for every new position, the old position of its row.
std::vector<int> SortRows(std::vector<TDeviceRow> &rows, int column);

// The message box that reports the outcome of an IP change.
enum class TChangeBoxKind { Warning, Information, Error };
TChangeBoxKind ChangeBoxKind(int code);

// The DHCP check box of the IP change window: checking it shows 0.0.0.0 and keeps
// the address typed before, unchecking it brings that address back.
class TDhcpSwitch
{
public:
    // The address the edit shows after the check box became `checked`.
    QString Toggle(bool checked, const QString &shownAddress);
    const QString &SavedIP() const { return m_saved; }

private:
    QString m_saved = QStringLiteral("0.0.0.0");
};

} // namespace XPortSearchRules

Q_DECLARE_OPERATORS_FOR_FLAGS(XPortSearchRules::TSearchButtons)
Q_DECLARE_OPERATORS_FOR_FLAGS(XPortSearchRules::TDeviceFilter)
