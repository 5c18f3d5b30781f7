#pragma once

// Turning one reading's register blocks into the quantity slots. These are pure
// functions over the slots: the family readers call them inside their ticks with
// whatever the last attempt left in the buffer and the read-succeeded flag, so the
// decoding rules can be checked with plain tables of register values.

#include "model/uOBGlob.h"

#include <QString>

#include <cstdint>
#include <span>

namespace Decode
{

// Register blocks as the readers fetch them (first reference, number of words).
constexpr int FarvoMainRef = 1;
constexpr int FarvoMainWords = 64;
constexpr int FarvoAlarmRef = 20481;
constexpr int GelmiRef = 40001;
constexpr int GelmiWords = 26;
constexpr int DuskoRef = 39978;
constexpr int DuskoWords = 33;

// The two characters of a device alarm word: low byte first, then high byte.
QString AlarmCodeOfWord(std::uint16_t word);

// Farvo alarm block length: 15 words, or with the extended block 28 words when the
// device has binary inputs and 20 without.
int FarvoAlarmBlockLength(bool deviceAlarmBlock, bool hasBinaryInputs);

// Farvo main block (64 words from reference 1) into slots 0 to 12 (exactly 13
// pointers). Absent slots (type 0) are left alone.
void DecodeFarvoMain(std::span<const std::uint16_t> block, bool ok, std::span<TLangQuan *const> slots);

// Farvo alarm block (15, 20 or 28 words) into the device alarm codes of slots 0 to
// 12; codes the block does not carry become "no".
void DecodeFarvoAlarms(std::span<const std::uint16_t> block, bool deviceAlarmBlock, bool hasBinaryInputs,
                       std::span<TLangQuan *const> slots);

// Gelmi block (26 words) into the five channel slots 13 to 17 (exactly 5 pointers),
// present or not, using the program-wide error list for validity and texts.
void DecodeGelmi(std::span<const std::uint16_t> block, bool ok, const TErrMessageList &errors,
                 std::span<TLangQuan *const> slots);

// Dusko block (33 words) into slots 18 and 19 (exactly 2 pointers).
void DecodeDusko(std::span<const std::uint16_t> block, bool ok, const TErrMessageList &errors,
                 std::span<TLangQuanEx *const> slots);

// value rounded to `decimals` places, ties to even, in double precision.
double RoundToDecimals(double value, int decimals);

// The single-precision float whose bit pattern is `pattern`.
float FloatOfPattern(std::uint32_t pattern);

} // namespace Decode
