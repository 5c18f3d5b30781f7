#pragma once

#include "reading/uReaderCore.h"

#include <array>
#include <cstdint>

// The reader of the serial family (Farvo transmitters on RS232, RS485 or behind an XPort):
// slots 0 to 12, the main block of 64 words and, over Ethernet, the device alarm block.
class TFarvoReader : public TReaderCore
{
    Q_OBJECT

public:
    using TReaderCore::TReaderCore;

    void StartReading() override;
    // Skipped while another guarded action is in progress (the busy guard), which also
    // keeps it from running inside itself during the RS232 wait.
    void tReaderTimer() override;

private:
    // Kept between ticks: after three failed attempts the slots keep their last values
    // (marked not valid) instead of zeros that user limits would take for a reading.
    std::array<std::uint16_t, 64> m_mainBlock{};
};
