#include "reading/uGelmiReader.h"

#include "reading/uDecode.h"

namespace
{

constexpr std::array<int, 4> FourChannels = {13, 14, 15, 16};
constexpr std::array<int, 5> FiveChannels = {13, 14, 15, 16, 17};

} // namespace

void TGelmiReader::StartReading()
{
    // Channel 5 is a row only on five-channel devices; the log takes all five slots, absent
    // ones giving no column.
    if (Connection().FiveChannel)
        AddFamilyQuantities(FiveChannels, FiveChannels);
    else
        AddFamilyQuantities(FourChannels, FiveChannels);
    TReaderCore::StartReading();
}

void TGelmiReader::tReaderTimer()
{
    DetachedTick(Decode::GelmiRef, m_block, [this](bool ok) {
        TDeviceConnection &c = Connection();
        std::array<TLangQuan *, 5> slots{};
        for (std::size_t i = 0; i < slots.size(); ++i)
            slots[i] = &c.GetQuantity(TDeviceConnection::GelmiFirstSlot + static_cast<int>(i));
        Decode::DecodeGelmi(m_block, ok, c.ErrorList(), slots);
    });
}
