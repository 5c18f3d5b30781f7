#include "comm/uMSPComm.h"

#include "comm/uTiming.h"

#include "model/uExceptions.h"

#include <chrono>
#include <thread>

TMSPModbus::TMSPModbus(QObject *owner) : TSyncMBus(owner)
{
    setTimeout(1000);
}

TMSPModbus::~TMSPModbus()
{
    // The inherited destructor closes the inner object too; closing here keeps
    // the device's pause even when the object goes away open.
    if (IsOpen())
        Close();
}

void TMSPModbus::Close()
{
    TSyncMBus::Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void TMSPModbus::PrepareAccess()
{
    if (IsOpen())
        return;
    Open();
    // A serial transmitter needs a moment after its port opens before it
    // answers; the wait keeps the window alive.
    if (ProtocolKind == KindRtu)
        PumpDelay(200);
}

void TMSPModbus::ReadSegment(int segment, TSegmentBuffer &buffer)
{
    if (segment < 0 || segment >= SegmentCount)
        throw Exception(QStringLiteral("Chyba při komunikaci se snímačem - neplatné číslo segmentu"));
    TSegmentBuffer words{};
    PrepareAccess();
    const TSegmentInfo &info = Segments[static_cast<std::size_t>(segment)];
    ReadRegisters(SlaveAddress, info.FirstRef, std::span<std::uint16_t>(words.data(), info.Registers));
    if (info.Checksummed && !VerifyChecksum(words, false) && RaiseOnChecksumError)
        throw Exception(
            QStringLiteral("Chyba při komunikaci se snímačem - chybný kontrolní součet segmentu"));
    buffer = words;
}

int TMSPModbus::SegmentOf(std::uint16_t address)
{
    switch (address >> 12) {
    case 0x1:
        return 1;
    case 0x2:
        return 2;
    case 0x3:
        return 3;
    case 0x4:
        return address < 0x4041 ? 4 : 5;
    case 0x5:
        return 6;
    default:
        return 0;
    }
}

std::uint16_t TMSPModbus::WordAt(std::uint16_t address, const TSegmentBuffer &buffer)
{
    const std::uint16_t first = Segments[static_cast<std::size_t>(SegmentOf(address))].FirstRef;
    if (address < first || address >= first + SegmentWords)
        throw Exception(QStringLiteral("Chyba v adresaci paměti snímače - překročení hranice segmentu"));
    return buffer[address - first];
}

std::pair<std::uint16_t, std::uint16_t> TMSPModbus::ReadRegisterPair(std::uint16_t address)
{
    PrepareAccess();
    std::array<std::uint16_t, 2> words{};
    ReadRegisters(SlaveAddress, address, words);
    return {words[0], words[1]};
}

bool TMSPModbus::VerifyChecksum(TSegmentBuffer &buffer, bool store)
{
    std::uint16_t sum = 0;
    for (int i = 0; i < SegmentWords - 1; ++i)
        sum = static_cast<std::uint16_t>(sum + buffer[static_cast<std::size_t>(i)]);
    if (store) {
        buffer[SegmentWords - 1] = sum;
        ChecksumError = false;
        return true;
    }
    ChecksumError = sum != buffer[SegmentWords - 1];
    return !ChecksumError;
}
