#include "reading/uDuskoReader.h"

#include "reading/uDecode.h"

namespace
{

constexpr std::array<int, 2> DuskoSlots = {18, 19};

} // namespace

void TDuskoReader::StartReading()
{
    AddFamilyQuantities(DuskoSlots, DuskoSlots);
    TReaderCore::StartReading();
}

void TDuskoReader::tReaderTimer()
{
    DetachedTick(Decode::DuskoRef, m_block, [this](bool ok) {
        TDeviceConnection &c = Connection();
        std::array<TLangQuanEx *, 2> slots{&c.GetQuantityEx(18), &c.GetQuantityEx(19)};
        Decode::DecodeDusko(m_block, ok, c.ErrorList(), slots);
    });
}
