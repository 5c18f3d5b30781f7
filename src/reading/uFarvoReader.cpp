#include "reading/uFarvoReader.h"

#include "comm/uTiming.h"
#include "reading/uDecode.h"

#include <vector>

namespace
{

constexpr std::array<int, 13> FarvoSlots = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

} // namespace

void TFarvoReader::StartReading()
{
    AddFamilyQuantities(FarvoSlots, FarvoSlots);
    TReaderCore::StartReading();
}

void TFarvoReader::tReaderTimer()
{
    if (CSection.IsBusy())
        return;
    TCSectionGuard busy;
    RestartInterval();

    bool ok = false;
    if (!IsPaused()) {
        TDeviceConnection &c = Connection();
        const bool ethernet = c.IsEthernet();
        std::vector<std::uint16_t> alarms(ethernet ? static_cast<std::size_t>(Decode::FarvoAlarmBlockLength(
                                                         c.DeviceAlarmBlock, c.HasBinaryInputs))
                                                   : 0,
                                          0);
        const std::uint8_t slave = c.Params.GetSlaveAddress();
        ok = ReadWithAttempts([&] {
            OpenMasterIfClosed(true);
            c.Modbus.ReadRegisters(slave, Decode::FarvoMainRef, m_mainBlock);
            if (ethernet)
                c.Modbus.ReadRegisters(slave, Decode::FarvoAlarmRef, alarms);
            // Long intervals do not hold the line: the next tick opens it again.
            if (Settings().IntervalSec > 10)
                c.Modbus.Close();
        });

        std::array<TLangQuan *, TDeviceConnection::SerialSlotCount> slots{};
        for (std::size_t i = 0; i < slots.size(); ++i)
            slots[i] = &c.GetQuantity(static_cast<int>(i));
        Decode::DecodeFarvoMain(m_mainBlock, ok, slots);
        if (ethernet)
            Decode::DecodeFarvoAlarms(alarms, c.DeviceAlarmBlock, c.HasBinaryInputs, slots);
    }
    FinishCycle(ok);
}
