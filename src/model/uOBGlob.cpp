#include "model/uOBGlob.h"

#include "model/uExceptions.h"
#include "model/uValueText.h"

#include <cmath>

// ---------------------------------------------------------------------------
// TLangQuan

void TLangQuan::ResetAlarms()
{
    AlarmState = asNone;
    AlarmLatch = lsIdle;
    ErrorLatch = lsIdle;
    DeviceAlarmCode = QStringLiteral("no");
}

namespace
{

// The device sends its two-letter code in either byte order, hence the reversed forms.
std::uint8_t deviceCodeState(const QString &code)
{
    const QString c = code.toLower();
    if (c == QLatin1String("lo") || c == QLatin1String("ol"))
        return TLangQuan::asLow;
    if (c == QLatin1String("hi") || c == QLatin1String("ih"))
        return TLangQuan::asHigh;
    return TLangQuan::asNone;
}

// Advances an acknowledge latch; returns true when the condition is present.
bool stepLatch(std::uint8_t &latch, bool present)
{
    if (present) {
        if (latch == TLangQuan::lsIdle)
            latch = TLangQuan::lsPending;
        return true;
    }
    if (latch == TLangQuan::lsAcknowledged)
        latch = TLangQuan::lsIdle;
    return false;
}

} // namespace

bool TLangQuan::EvaluateAlarm()
{
    const double v = Value;
    switch (AlarmMode) {
    case amDevice:
        AlarmState = deviceCodeState(DeviceAlarmCode);
        break;
    case amLimits:
        if (!LimitsEnabled) {
            AlarmState = asNone;
        } else if (v >= HiLim) {
            AlarmState = asHigh;
        } else if (v <= LoLim) {
            AlarmState = asLow;
        } else if ((AlarmState == asHigh && v >= HiLim - Hyst) ||
                   (AlarmState == asLow && v <= LoLim + Hyst)) {
            // Inside the hysteresis band the previous alarm holds.
        } else {
            AlarmState = asNone;
        }
        break;
    default: // the binary rule
        if (AlarmOnClosing && IsNear(v, 1.0))
            AlarmState = asHigh;
        else if (AlarmOnOpening && IsNear(v, 0.0))
            AlarmState = asLow;
        else
            AlarmState = asNone;
        break;
    }

    const bool inAlarm = stepLatch(AlarmLatch, AlarmState != asNone);
    const bool failed = stepLatch(ErrorLatch, !ReadOK);
    return inAlarm || failed;
}

void TLangQuan::AcknowledgeAlarms()
{
    if (AlarmLatch == lsPending)
        AlarmLatch = lsAcknowledged;
    if (ErrorLatch == lsPending)
        ErrorLatch = lsAcknowledged;
}

// ---------------------------------------------------------------------------
// TErrMessageList

void TErrMessageList::SetListType(int listType)
{
    QList<TErrMessage> items;
    if (listType == ltGelmi || listType == ltDusko) {
        items.append({11000, QStringLiteral("N/A")});
        for (int i = 1; i <= 9; ++i)
            items.append({11000 + i, QStringLiteral("Error E%1").arg(i)});
        ListType = static_cast<std::uint8_t>(listType);
    } else {
        items.append({9999, QStringLiteral("Error ")});
        ListType = ltGeneric;
    }
    Items = std::move(items);
}

TErrMessage TErrMessageList::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("Index out of bound."));
    return Items.at(index);
}

bool TErrMessageList::ErrorText(std::uint32_t raw, QString &text) const
{
    if (Items.isEmpty())
        return false;
    // +inf, -inf and two NaN patterns mean "no value"; the NaN payloads 1..254 of
    // the 0xFF8000xx range carry the device's error number.
    if (raw == 0x7F800000u || raw == 0xFF800000u || raw == 0xFF8000FFu || raw == 0xFFFFFFFFu) {
        text = Items.first().Text;
        return true;
    }
    if (raw >= 0xFF800001u && raw <= 0xFF8000FEu) {
        text = QStringLiteral("Error E%1").arg(raw & 0xFFu);
        return true;
    }
    // Any other NaN is no measurement either: shown or logged as a value it would
    // read "NaN" with the reading counted as good.
    const bool isNaN = (raw & 0x7F800000u) == 0x7F800000u && (raw & 0x007FFFFFu) != 0;
    if (isNaN) {
        text = Items.first().Text;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Choice tables

namespace
{

QString unitWord(const char *word)
{
    return QCoreApplication::translate("TTextValue", word);
}

TTextValue choice(std::int32_t shown, const char *word, std::int32_t value)
{
    return {QString::number(shown) + QLatin1Char(' '), unitWord(word), value};
}

} // namespace

QList<TTextValue> ReadingIntervals()
{
    return {
        choice(1, QT_TRANSLATE_NOOP("TTextValue", "second"), 1),
        choice(10, QT_TRANSLATE_NOOP("TTextValue", "seconds"), 10),
        choice(30, QT_TRANSLATE_NOOP("TTextValue", "seconds"), 30),
        choice(1, QT_TRANSLATE_NOOP("TTextValue", "minute"), 60),
        choice(5, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 300),
        choice(10, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 600),
        choice(15, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 900),
        choice(30, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 1800),
        choice(1, QT_TRANSLATE_NOOP("TTextValue", "hour"), 3600),
    };
}

QList<TTextValue> ChartLengths()
{
    return {
        choice(1, QT_TRANSLATE_NOOP("TTextValue", "minute"), 1),
        choice(2, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 2),
        choice(3, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 3),
        choice(5, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 5),
        choice(10, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 10),
        choice(15, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 15),
        choice(30, QT_TRANSLATE_NOOP("TTextValue", "minutes"), 30),
        choice(1, QT_TRANSLATE_NOOP("TTextValue", "hour"), 60),
        choice(2, QT_TRANSLATE_NOOP("TTextValue", "hours"), 120),
        choice(3, QT_TRANSLATE_NOOP("TTextValue", "hours"), 180),
        choice(5, QT_TRANSLATE_NOOP("TTextValue", "hours"), 300),
        choice(10, QT_TRANSLATE_NOOP("TTextValue", "hours"), 600),
        choice(24, QT_TRANSLATE_NOOP("TTextValue", "hours"), 1440),
    };
}

QList<TTextValue> BaudRates()
{
    QList<TTextValue> rates;
    for (std::int32_t rate :
         {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200})
        rates.append(choice(rate, QT_TRANSLATE_NOOP("TTextValue", "bauds"), rate));
    return rates;
}

const QStringList &ProtocolNames()
{
    static const QStringList names{QStringLiteral("Ethernet"), QStringLiteral("RS232"),
                                   QStringLiteral("RS485")};
    return names;
}

std::optional<TProtocol> ProtocolOfName(const QString &name)
{
    const QStringList &names = ProtocolNames();
    for (int i = 0; i < names.size(); ++i)
        if (name.compare(names[i], Qt::CaseInsensitive) == 0)
            return static_cast<TProtocol>(i);
    return std::nullopt;
}

const QStringList &PopupSizeNames()
{
    static const QStringList names{QStringLiteral("Small"), QStringLiteral("Medium"),
                                   QStringLiteral("Large")};
    return names;
}

const QStringList &SoundModeNames()
{
    static const QStringList names{QStringLiteral("Disabled"), QStringLiteral("System sound"),
                                   QStringLiteral("Sound file")};
    return names;
}

const QStringList &RepetitionModeNames()
{
    static const QStringList names{QStringLiteral("Once"), QStringLiteral("During alarm"),
                                   QStringLiteral("Until user interrupt")};
    return names;
}

// ---------------------------------------------------------------------------
// Colours

namespace
{

std::uint32_t scaleChannel(std::uint32_t channel, std::uint32_t percentage)
{
    const std::uint32_t n = channel * percentage;
    std::uint32_t q = n / 100;
    const std::uint32_t r = n % 100;
    if (r > 50 || (r == 50 && (q & 1u)))
        ++q;
    return q > 255 ? 255 : q;
}

} // namespace

std::uint32_t DarkenColor(std::uint32_t colour, std::uint8_t percentage)
{
    const std::uint32_t r = scaleChannel((colour >> 16) & 0xFFu, percentage);
    const std::uint32_t g = scaleChannel((colour >> 8) & 0xFFu, percentage);
    const std::uint32_t b = scaleChannel(colour & 0xFFu, percentage);
    return (colour & 0xFF000000u) | (r << 16) | (g << 8) | b;
}
