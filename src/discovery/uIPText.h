#pragma once

// The text rules of the IP address edit control, kept apart from the widget so
// they run (and can be fuzzed) without a display. An address is shown as four
// octet boxes; every rule here works on the texts of those boxes.

#include "discovery/uUtilsTcpIp.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace IPText
{

constexpr int OctetMaxLength = 3;

using TOctetTexts = std::array<QString, 4>;

// A box text read as a number: decimal digits only; an empty or unreadable text
// counts as 0, and the number is taken modulo 256.
std::uint8_t OctetValue(const QString &boxText);

// The dotted text of four boxes: their values without leading zeros joined by ".".
QString JoinOctets(const TOctetTexts &boxTexts);

// The four octets a written text gives. Each dot-separated part, trimmed of blanks,
// gives its number when it has at most 3 characters and reads as 0 to 255, and 0
// otherwise; missing parts give 0 and parts after the fourth are ignored. So
// "192.168.1" gives 192.168.1.0 and "300.1.1.1" gives 0.1.1.1.
TIPBytes SplitText(const QString &text);

// After a change of a box: a number above 255 becomes "255". Returns true when
// the text was changed (the control beeps then).
bool ClampOctetText(QString &boxText);

// Whether a paste may stand: the box's resulting text has at most 3 characters
// and is a number from 0 to 255 written in decimal digits.
bool IsAcceptablePaste(const QString &resultingText);

// The text a box keeps when it loses the focus: the plain decimal of its number
// ("007" becomes "7"), "0" for a text that is no number. beep is set when a
// non-empty text had to be replaced by "0".
QString NormalizedOctetText(const QString &boxText, bool *beep);

// A pasted text that is a whole dotted address (blanks around it allowed) gives
// its four octets; anything else gives nothing.
std::optional<TIPBytes> WholeAddress(const QString &pasted);

// Octet 0 in the least significant byte: 192.168.1.5 is 0x0501A8C0.
std::uint32_t PackValue(const TIPBytes &octets);
TIPBytes UnpackValue(std::uint32_t value);

} // namespace IPText
