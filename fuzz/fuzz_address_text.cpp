// Texts a user types or pastes where an address or a MAC is expected: the address
// and MAC checks and the IP edit's box and paste rules.

#include "FuzzCheck.h"

#include "discovery/uIPText.h"
#include "discovery/uUtilsTcpIp.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    TIPBytes bytes{1, 2, 3, 4};
    const bool valid = IsValidIP(text);
    FUZZ_CHECK(IPToBytes(text, bytes) == valid);
    if (!valid)
        FUZZ_CHECK((bytes == TIPBytes{1, 2, 3, 4}));
    IsValidMAC(text);

    // The box rules: a changed box is clamped, a box losing the focus normalized;
    // what stays is always an octet a paste could have given.
    QString box = text;
    const bool clamped = IPText::ClampOctetText(box);
    FUZZ_CHECK(clamped == (box != text));
    bool beep = false;
    const QString normal = IPText::NormalizedOctetText(box, &beep);
    FUZZ_CHECK(IPText::IsAcceptablePaste(normal));
    FUZZ_CHECK(IPText::OctetValue(normal) == IPText::OctetValue(box) || beep);
    if (IPText::IsAcceptablePaste(text))
        FUZZ_CHECK(text.size() <= IPText::OctetMaxLength && text.toInt() <= 255);

    // Whatever is split or pasted, the four octets join into a valid address.
    const TIPBytes split = IPText::SplitText(text);
    const IPText::TOctetTexts boxes{QString::number(split[0]), QString::number(split[1]),
                                    QString::number(split[2]), QString::number(split[3])};
    FUZZ_CHECK(IsValidIP(IPText::JoinOctets(boxes)));
    if (const std::optional<TIPBytes> whole = IPText::WholeAddress(text)) {
        FUZZ_CHECK(IsValidIP(text.trimmed()));
        FUZZ_CHECK(IPText::UnpackValue(IPText::PackValue(*whole)) == *whole);
    }
    return 0;
}
