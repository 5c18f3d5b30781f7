// Bytes a serial line delivers after a Modbus ASCII request: the frame collection
// and the decoding of Read Holding Registers replies.

#include "FuzzCheck.h"

#include "platform/mbusmaster.h"

#include <array>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes are the request's slave and register count.
    const int slave = data[0];
    const int count = 1 + data[1] % 125;
    const char *stream = reinterpret_cast<const char *>(data + 2);
    const long length = static_cast<long>(size - 2);

    // Delivered in pieces of the sizes the line happens to give: here up to 7 bytes.
    MbusMaster::TAsciiFrameCollector collector;
    std::int32_t collected = MBUS_REPLY_TIMEOUT_ERROR;
    for (long at = 0; at < length && collected == MBUS_REPLY_TIMEOUT_ERROR;) {
        const long piece = std::min<long>(1 + (at % 7), length - at);
        collected = collector.Feed(stream + at, piece);
        at += piece;
    }
    if (collected != MBUS_OK) {
        FUZZ_CHECK(collected == MBUS_REPLY_TIMEOUT_ERROR || collected == MBUS_INVALID_FRAME_ERROR);
        return 0;
    }
    FUZZ_CHECK(!collector.Frame.empty() && collector.Frame.back() == '\n');

    std::array<std::uint16_t, 125> regs{};
    const std::int32_t rc = MbusMaster::DecodeAsciiReply(collector.Frame, slave, regs.data(), count);
    if (rc == MBUS_OK)
        FUZZ_CHECK(collector.Frame.size() == 2 * (4 + 2 * static_cast<std::size_t>(count)) + 2);
    else
        FUZZ_CHECK(rc >= MBUS_BUS_PROTOCOL_ERROR_CLASS);

    // The decoder also stands a frame of any length on its own.
    MbusMaster::DecodeAsciiReply(std::string(stream, static_cast<std::size_t>(length)), slave, regs.data(),
                                 count);
    return 0;
}
