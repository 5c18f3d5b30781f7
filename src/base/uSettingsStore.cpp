#include "base/uSettingsStore.h"

#include "model/uOBGlob.h"

#include <QSettings>
#include <QStringList>

#include <charconv>
#include <cmath>

QString SettingsKeys::UserAlarmKey(int slot, QLatin1String suffix)
{
    return QString::number(slot) + QLatin1String(" - ") + suffix;
}

QString FloatToSettingsText(double value, const QLocale &locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0.0)
        return QStringLiteral("0");

    // 15 significant digits, then the digit string and decimal exponent decide the layout.
    // to_chars, unlike printf, ignores the C locale QCoreApplication takes from the environment.
    char buffer[40];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const QByteArray text(buffer, end.ptr - buffer);
    const qsizetype ePos = text.indexOf('e');
    QByteArray digits = text.left(ePos);
    digits.remove(1, 1); // the '.'
    const int exponent = text.mid(ePos + 1).toInt();
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    const QString point = locale.decimalPoint();
    QString result = value < 0 ? QStringLiteral("-") : QString();
    if (exponent >= 15 || exponent < -5) {
        result += QLatin1Char(digits.at(0));
        if (digits.size() > 1)
            result += point + QString::fromLatin1(digits.mid(1));
        result += QLatin1Char('E') + QString::number(exponent);
    } else if (exponent >= 0) {
        QByteArray intPart = digits.left(exponent + 1);
        while (intPart.size() < exponent + 1)
            intPart.append('0');
        const QByteArray fraction = digits.mid(exponent + 1);
        result += QString::fromLatin1(intPart);
        if (!fraction.isEmpty())
            result += point + QString::fromLatin1(fraction);
    } else {
        result +=
            QLatin1Char('0') + point + QString(-exponent - 1, QLatin1Char('0')) + QString::fromLatin1(digits);
    }
    return result;
}

std::optional<double> SettingsTextToFloat(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    QLocale strict = locale;
    strict.setNumberOptions(strict.numberOptions() | QLocale::RejectGroupSeparator);
    double value = strict.toDouble(trimmed, &ok);
    if (!ok) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        value = c.toDouble(trimmed, &ok);
    }
    // "nan" and "inf" convert, but a limit that is no finite number is never reached while
    // shown as enabled: such a text is treated as one that does not convert.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> SettingsTextToInteger(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

TSettingsStore::TSettingsStore(const QString &fileName, bool readOnly, const QLocale &locale)
    : m_fileName(fileName), m_readOnly(readOnly), m_locale(locale),
      m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

TSettingsStore::~TSettingsStore()
{
    if (!m_readOnly)
        m_settings->sync();
}

std::optional<QString> TSettingsStore::RawValue(const QString &section, const QString &key) const
{
    const QVariant value = m_settings->value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited file may hold "25,5" without quotes, which the INI reader splits into a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool TSettingsStore::ValueExists(const QString &section, const QString &key) const
{
    return RawValue(section, key).has_value();
}

QString TSettingsStore::ReadString(const QString &section, const QString &key,
                                   const QString &defaultValue) const
{
    return RawValue(section, key).value_or(defaultValue);
}

int TSettingsStore::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    const std::optional<QString> text = RawValue(section, key);
    if (!text)
        return defaultValue;
    return SettingsTextToInteger(*text).value_or(defaultValue);
}

bool TSettingsStore::ReadBool(const QString &section, const QString &key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TSettingsStore::ReadFloat(const QString &section, const QString &key, double defaultValue) const
{
    const std::optional<QString> text = RawValue(section, key);
    if (!text)
        return defaultValue;
    return SettingsTextToFloat(*text, m_locale).value_or(0.0);
}

bool TSettingsStore::WriteString(const QString &section, const QString &key, const QString &value)
{
    if (m_readOnly)
        return false;
    m_settings->setValue(section + QLatin1Char('/') + key, value);
    return true;
}

bool TSettingsStore::WriteInteger(const QString &section, const QString &key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool TSettingsStore::WriteBool(const QString &section, const QString &key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TSettingsStore::WriteFloat(const QString &section, const QString &key, double value)
{
    return WriteString(section, key, FloatToSettingsText(value, m_locale));
}

bool TSettingsStore::Sync()
{
    if (m_readOnly)
        return true;
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

void LoadUserAlarmSlot(const TSettingsStore &store, int slot, TLangQuan &quantity)
{
    using namespace SettingsKeys;
    quantity.LimitsEnabled = store.ReadBool(SecUsrAlarms, UserAlarmKey(slot, SufAnlgAlarmsEnabled), false);
    quantity.HiLim = store.ReadFloat(SecUsrAlarms, UserAlarmKey(slot, SufAnlgLimHi), 0.0);
    quantity.LoLim = store.ReadFloat(SecUsrAlarms, UserAlarmKey(slot, SufAnlgLimLo), 0.0);
    quantity.Hyst = store.ReadFloat(SecUsrAlarms, UserAlarmKey(slot, SufAnlgHyst), 0.0);
    quantity.AlarmOnClosing = store.ReadBool(SecUsrAlarms, UserAlarmKey(slot, SufBinClosed), false);
    quantity.AlarmOnOpening = store.ReadBool(SecUsrAlarms, UserAlarmKey(slot, SufBinOpen), false);
}

void SaveUserAlarmSlot(TSettingsStore &store, int slot, const TLangQuan &quantity)
{
    using namespace SettingsKeys;
    store.WriteBool(SecUsrAlarms, UserAlarmKey(slot, SufAnlgAlarmsEnabled), quantity.LimitsEnabled);
    store.WriteFloat(SecUsrAlarms, UserAlarmKey(slot, SufAnlgLimHi), quantity.HiLim);
    store.WriteFloat(SecUsrAlarms, UserAlarmKey(slot, SufAnlgLimLo), quantity.LoLim);
    store.WriteFloat(SecUsrAlarms, UserAlarmKey(slot, SufAnlgHyst), quantity.Hyst);
    store.WriteBool(SecUsrAlarms, UserAlarmKey(slot, SufBinClosed), quantity.AlarmOnClosing);
    store.WriteBool(SecUsrAlarms, UserAlarmKey(slot, SufBinOpen), quantity.AlarmOnOpening);
}

QPoint ReadPopupPosition(const TSettingsStore &store, const QPoint &defaultPosition)
{
    using namespace SettingsKeys;
    return QPoint(store.ReadInteger(SecPopupWindow, KeyTop, defaultPosition.x()),
                  store.ReadInteger(SecPopupWindow, KeyLeft, defaultPosition.y()));
}

void WritePopupPosition(TSettingsStore &store, const QPoint &position)
{
    using namespace SettingsKeys;
    store.WriteInteger(SecPopupWindow, KeyTop, position.x());
    store.WriteInteger(SecPopupWindow, KeyLeft, position.y());
}
