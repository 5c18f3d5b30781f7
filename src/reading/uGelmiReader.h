#pragma once

#include "reading/uReaderCore.h"

#include <array>
#include <cstdint>

// The reader of the first Ethernet family (Gelmi): up to five scaled channels in slots 13
// to 17, one block of 26 words from slave 1.
class TGelmiReader : public TReaderCore
{
    Q_OBJECT

public:
    using TReaderCore::TReaderCore;

    void StartReading() override;
    // Detaches itself from tReader while it runs instead of testing the busy guard.
    void tReaderTimer() override;

private:
    std::array<std::uint16_t, 26> m_block{}; // kept between ticks, as the Farvo main block
};
