// Register values a device answers a reading with, decoded by the three families'
// rules into slots configured from the input as identification could leave them.

#include "FuzzCheck.h"

#include "reading/uDecode.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{

// Consumes the input front to back; zero once it is used up.
class TInput
{
public:
    TInput(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint16_t Word()
    {
        const std::uint16_t high = Byte();
        return static_cast<std::uint16_t>(high << 8 | Byte());
    }
    std::vector<std::uint16_t> Words(int count)
    {
        std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
        for (std::uint16_t &w : words)
            w = Word();
        return words;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

template <typename Quan, std::size_t N> struct TSlots {
    std::array<Quan, N> q;
    std::array<Quan *, N> ptr{};

    explicit TSlots(TInput &in)
    {
        for (std::size_t i = 0; i < N; ++i) {
            q[i].SetQuanType(in.Byte() % 15);
            if (q[i].GetQuanType() == TQuantity::qtTemperature)
                q[i].SetQuanUnit(2 + in.Byte() % 2);
            ptr[i] = &q[i];
        }
    }

    void CheckReadings() const
    {
        for (const Quan &quan : q) {
            // A reading shown as good is a finite number.
            if (quan.GetQuanType() != TQuantity::qtNone && quan.ReadOK)
                FUZZ_CHECK(std::isfinite(quan.Value));
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const bool ok = (flags & 0x04) != 0;
    switch (flags % 3) {
    case 0: {
        TSlots<TLangQuan, 13> slots(in);
        const bool deviceAlarmBlock = (flags & 0x08) != 0;
        const bool hasBinaryInputs = (flags & 0x10) != 0;
        Decode::DecodeFarvoMain(in.Words(Decode::FarvoMainWords), ok, slots.ptr);
        const int alarmWords = Decode::FarvoAlarmBlockLength(deviceAlarmBlock, hasBinaryInputs);
        Decode::DecodeFarvoAlarms(in.Words(alarmWords), deviceAlarmBlock, hasBinaryInputs, slots.ptr);
        slots.CheckReadings();
        break;
    }
    case 1: {
        TSlots<TLangQuan, 5> slots(in);
        const TErrMessageList errors((flags & 0x08) != 0 ? TErrMessageList::ltGelmi
                                                         : TErrMessageList::ltGeneric);
        Decode::DecodeGelmi(in.Words(Decode::GelmiWords), ok, errors, slots.ptr);
        slots.CheckReadings();
        break;
    }
    default: {
        TSlots<TLangQuanEx, 2> slots(in);
        for (TLangQuanEx &q : slots.q)
            q.SetCustomDecimals(in.Byte());
        const TErrMessageList errors(TErrMessageList::ltDusko);
        Decode::DecodeDusko(in.Words(Decode::DuskoWords), ok, errors, slots.ptr);
        slots.CheckReadings();
        break;
    }
    }
    return 0;
}
