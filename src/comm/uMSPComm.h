#pragma once

// The synchronised master extended with the memory map of the serial-family
// transmitters: memory is read in segments of 64 registers, the two flash
// segments carry a checksum, and memory addresses are turned into positions in
// a segment buffer with a boundary check.

#include "comm/uSyncMbus.h"

#include <array>
#include <cstdint>
#include <utility>

using TSegmentBuffer = std::array<std::uint16_t, 64>;

class TMSPModbus : public TSyncMBus
{
    Q_OBJECT
public:
    static constexpr int SegmentWords = 64;
    static constexpr int SegmentCount = 7;

    struct TSegmentInfo {
        std::uint16_t FirstRef;
        int Registers;
        bool Checksummed;
    };
    static constexpr std::array<TSegmentInfo, SegmentCount> Segments = {{{0x0001, 64, false},
                                                                         {0x1001, 64, true},
                                                                         {0x2001, 64, true},
                                                                         {0x3001, 64, false},
                                                                         {0x4001, 64, false},
                                                                         {0x4041, 64, false},
                                                                         {0x5001, 20, false}}};

    explicit TMSPModbus(QObject *owner = nullptr);
    ~TMSPModbus() override;

    // Closes, then leaves the device 10 ms before anything may reopen it.
    void Close() override;

    void ReadSegment(int segment, TSegmentBuffer &buffer);
    static std::uint16_t WordAt(std::uint16_t address, const TSegmentBuffer &buffer);
    // Segment number an address belongs to (by its top four bits).
    static int SegmentOf(std::uint16_t address);
    std::pair<std::uint16_t, std::uint16_t> ReadRegisterPair(std::uint16_t address);
    // Checks (or with store, writes) word 63 as the wrapping sum of words 0..62.
    bool VerifyChecksum(TSegmentBuffer &buffer, bool store);

    std::uint8_t SlaveAddress = 1;
    bool RaiseOnChecksumError = true;
    bool ChecksumError = false;

private:
    void PrepareAccess();
};
