#include "export/uTickJson.h"

#include "model/uValueText.h"
#include "reading/uReaderCore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cmath>
#include <cstdlib>

namespace Service
{

QString IsoLocalTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

int SlotOf(const TReaderCore &reader, const TLangQuan &quantity)
{
    TDeviceConnection &c = reader.Connection();
    for (int i = 0; i < TDeviceConnection::QuantityCount; ++i) {
        if (&c.GetQuantity(i) == &quantity)
            return i;
    }
    return -1;
}

namespace
{

QJsonValue NumberOrNull(const TLangQuan &q)
{
    return q.ReadOK && std::isfinite(q.Value) ? QJsonValue(q.Value) : QJsonValue();
}

} // namespace

QByteArray TickJson(const TReaderCore &reader, const std::vector<TLangQuan *> &rows, bool paused)
{
    QJsonArray slots;
    for (const TLangQuan *q : rows) {
        slots.append(QJsonObject{
            {QStringLiteral("slot"), SlotOf(reader, *q)},
            {QStringLiteral("name"), q->GetName()},
            {QStringLiteral("unit_symbol"), q->GetPlainUnitSymbol()},
            {QStringLiteral("value"), NumberOrNull(*q)},
            {QStringLiteral("value_text"), QuantityValueText(*q, QLocale::c())},
            {QStringLiteral("read_ok"), q->ReadOK},
            // The error text only means something while the reading is not valid.
            {QStringLiteral("error_text"), q->ReadOK ? QString() : q->ErrorText},
            {QStringLiteral("device_alarm_code"), q->DeviceAlarmCode},
            {QStringLiteral("alarm_state"), q->AlarmState},
            {QStringLiteral("alarm_mode"), q->AlarmMode},
        });
    }
    const QJsonObject tick{{QStringLiteral("time"), IsoLocalTime(reader.LastCycleTime())},
                           {QStringLiteral("read_ok"), reader.LastReadSucceeded()},
                           {QStringLiteral("paused"), paused},
                           {QStringLiteral("slots"), slots}};
    return QJsonDocument(tick).toJson(QJsonDocument::Compact);
}

} // namespace Service
