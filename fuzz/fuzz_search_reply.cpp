// A datagram answering the search's discovery, info or description query: every
// decoder gets it, and its bytes also stand as a firmware text.

#include "FuzzCheck.h"

#include "discovery/uXPortSearch.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    const QString mac = TXportSearch::DecodeMac(datagram);
    FUZZ_CHECK(mac == QStringLiteral("N/A") || mac.size() == 17);

    static const TXportSearch search;
    TXportPar record;
    search.DecodeDeviceInfo(datagram, record);
    FUZZ_CHECK((record.Firmware == QStringLiteral("N/A")) ==
               (datagram.size() != TXportSearch::InfoReplyLength));

    for (const bool infoReplyUsed : {true, false}) {
        const QString description = TXportSearch::DecodeDescription(datagram, record.Firmware, infoReplyUsed);
        FUZZ_CHECK(description.size() <= TXportSearch::DescriptionMaxLength);
    }
    FUZZ_CHECK(TXportSearch::DecodeVariantChar(datagram, record.Firmware).size() <= 1);
    TXportSearch::HasFullInfo(record.Firmware);

    // Firmware texts of any shape reach the same rules through the record.
    const QString text = QString::fromLatin1(datagram);
    const bool full = TXportSearch::HasFullInfo(text);
    (void)full;
    FUZZ_CHECK(TXportSearch::DecodeVariantChar(datagram, text).size() <= 1);
    FUZZ_CHECK(TXportSearch::DecodeDescription(datagram, text, false).size() <=
               TXportSearch::DescriptionMaxLength);
    return 0;
}
