#include "reading/uDecode.h"

#include <bit>
#include <cmath>
#include <cstdlib>

namespace Decode
{

namespace
{

std::int16_t signedWord(std::span<const std::uint16_t> block, std::size_t index)
{
    return index < block.size() ? static_cast<std::int16_t>(block[index]) : std::int16_t{0};
}

std::uint16_t wordAt(std::span<const std::uint16_t> block, std::size_t index)
{
    return index < block.size() ? block[index] : std::uint16_t{0};
}

double scaled(int raw, int decimals)
{
    return raw / std::pow(10.0, decimals);
}

bool present(const TLangQuan *q)
{
    return q != nullptr && q->GetQuanType() != TQuantity::qtNone;
}

// The error table names only some NaN patterns; any other NaN is no measurement
// either, and taking it as valid would show and log "NaN" as a good reading. It
// gets the table's "no value" text.
bool UnnamedNaN(std::uint32_t raw, const TErrMessageList &errors, QString &text)
{
    if (!std::isnan(std::bit_cast<float>(raw)))
        return false;
    text = errors.Count() > 0 ? errors.Items.first().Text : QString();
    return true;
}

} // namespace

QString AlarmCodeOfWord(std::uint16_t word)
{
    QString code;
    code.append(QChar(static_cast<char16_t>(word & 0xFF)));
    code.append(QChar(static_cast<char16_t>(word >> 8)));
    return code;
}

int FarvoAlarmBlockLength(bool deviceAlarmBlock, bool hasBinaryInputs)
{
    if (!deviceAlarmBlock)
        return 15;
    return hasBinaryInputs ? 28 : 20;
}

void DecodeFarvoMain(std::span<const std::uint16_t> block, bool ok, std::span<TLangQuan *const> slots)
{
    const int c1 = signedWord(block, 48);
    const int c2 = signedWord(block, 49);
    const int c3 = signedWord(block, 50);
    const int c4 = signedWord(block, 51);
    const std::uint16_t status = wordAt(block, 6);
    auto bit = [status](int n) { return (status >> n) & 1u; };

    auto store = [&slots](std::size_t slot, bool valid, double value) {
        if (slot >= slots.size() || !present(slots[slot]))
            return;
        TLangQuan &q = *slots[slot];
        q.ReadOK = valid;
        q.SetValue(value);
    };
    auto decimals = [&slots](std::size_t slot) {
        return slot < slots.size() && slots[slot] != nullptr ? slots[slot]->GetDecimals() : 0;
    };

    // 9999 and beyond mark a failed measurement; the pressure and CO2 channel
    // shares word 51 but the two quantities use different error limits.
    store(0, ok && std::abs(c1) < 9999, scaled(c1, decimals(0)));
    store(1, ok && std::abs(c2) < 9999, scaled(c2, decimals(1)));
    store(2, ok && std::abs(c3) < 9999, scaled(c3, decimals(2)));
    store(3, ok && c4 > -9999, scaled(c4, decimals(3)));
    store(4, ok && c4 > -9998, c4);
    for (int i = 0; i < 3; ++i) {
        // The binary inputs report 0 for a closed contact.
        store(5 + static_cast<std::size_t>(i), ok, bit(6 + i) == 0 ? 1.0 : 0.0);
        store(8 + static_cast<std::size_t>(i), ok, bit(6 + i));
    }
    store(11, ok, bit(3));
    store(12, ok, bit(4));
}

void DecodeFarvoAlarms(std::span<const std::uint16_t> block, bool deviceAlarmBlock, bool hasBinaryInputs,
                       std::span<TLangQuan *const> slots)
{
    const QString none = QStringLiteral("no");
    auto code = [&block, &none](std::size_t word) {
        return word < block.size() ? AlarmCodeOfWord(block[word]) : none;
    };
    auto set = [&slots](std::size_t slot, const QString &c) {
        if (slot < slots.size() && slots[slot] != nullptr)
            slots[slot]->SetDeviceAlarmCode(c);
    };
    set(0, code(12));
    set(1, code(13));
    set(2, code(14));
    set(3, deviceAlarmBlock ? code(18) : none);
    set(4, block.size() >= 20 ? code(18) : none);
    for (std::size_t i = 0; i < 3; ++i)
        set(5 + i, hasBinaryInputs && block.size() >= 28 ? code(22 + i) : none);
}

void DecodeGelmi(std::span<const std::uint16_t> block, bool ok, const TErrMessageList &errors,
                 std::span<TLangQuan *const> slots)
{
    const int limit = errors.Count() > 0 ? errors.Items.first().Code : 9999;
    const bool lookUp = errors.ListType == TErrMessageList::ltGelmi && errors.Count() > 1;
    for (std::size_t k = 1; k <= 5 && k <= slots.size(); ++k) {
        TLangQuan *q = slots[k - 1];
        if (q == nullptr)
            continue;
        const std::size_t first = 6 * (k - 1);
        const int raw = signedWord(block, first);
        q->ReadOK = ok && std::abs(raw) < limit;
        q->SetValue(scaled(raw, q->GetDecimals()));
        q->SetDeviceAlarmCode(AlarmCodeOfWord(wordAt(block, first + 1)));
        if (q->ReadOK)
            continue;
        q->ErrorText = QStringLiteral("Error (%1)").arg(k);
        if (lookUp) {
            for (const TErrMessage &e : errors.Items) {
                if (e.Code == std::abs(raw)) {
                    q->ErrorText = e.Text;
                    break;
                }
            }
        }
    }
}

void DecodeDusko(std::span<const std::uint16_t> block, bool ok, const TErrMessageList &errors,
                 std::span<TLangQuanEx *const> slots)
{
    static constexpr std::size_t alarmWords[2] = {24, 30};
    for (std::size_t k = 0; k < 2 && k < slots.size(); ++k) {
        TLangQuanEx *q = slots[k];
        if (q == nullptr)
            continue;
        const std::uint32_t raw =
            static_cast<std::uint32_t>(wordAt(block, 2 * k + 1)) << 16 | wordAt(block, 2 * k);
        q->RawReading = raw;
        QString text;
        const bool valid = ok && !errors.ErrorText(raw, text) && !UnnamedNaN(raw, errors, text);
        q->ReadOK = valid;
        if (valid) {
            q->SetValue(RoundToDecimals(FloatOfPattern(raw), q->GetDecimals()));
            q->SetDeviceAlarmCode(AlarmCodeOfWord(wordAt(block, alarmWords[k])));
        } else {
            // A failed read leaves an empty text: the row then shows nothing in the error colour.
            q->ErrorText = text;
        }
    }
}

double RoundToDecimals(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    const double factor = std::pow(10.0, decimals);
    const double x = value * factor;
    // Beyond 2^52 a double holds no fraction any more, and an overflow to infinity
    // must not turn a finite reading into one: such values are already as exact as
    // they can be.
    if (!std::isfinite(x) || std::fabs(x) >= 4503599627370496.0)
        return value;
    return std::nearbyint(x) / factor; // the default rounding mode: nearest, ties to even
}

float FloatOfPattern(std::uint32_t pattern)
{
    return std::bit_cast<float>(pattern);
}

} // namespace Decode
