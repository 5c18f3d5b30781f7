#pragma once

// The JSON object of one tick: what `ombrix-logger --json` prints and what MQTT publishes
// as the state, so both always say the same.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

class TReaderCore;
class TLangQuan;

namespace Service
{

// ISO 8601 local time with its offset from UTC: "2026-03-29T14:05:09+02:00".
QString IsoLocalTime(const QDateTime &time);

// The slot number of a quantity of the reader's connection, -1 when it is none of them.
int SlotOf(const TReaderCore &reader, const TLangQuan &quantity);

// One compact JSON line (without the line feed) for the reader's last tick.
QByteArray TickJson(const TReaderCore &reader, const std::vector<TLangQuan *> &rows, bool paused);

} // namespace Service
