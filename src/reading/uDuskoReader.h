#pragma once

#include "reading/uReaderCore.h"

#include <array>
#include <cstdint>

// The reader of the second Ethernet family (Dusko, kind 82): two device-defined float
// channels in slots 18 and 19, one block of 33 words from slave 1.
class TDuskoReader : public TReaderCore
{
    Q_OBJECT

public:
    using TReaderCore::TReaderCore;

    void StartReading() override;
    // Detaches itself from tReader while it runs instead of testing the busy guard.
    void tReaderTimer() override;

private:
    std::array<std::uint16_t, 33> m_block{};
};
