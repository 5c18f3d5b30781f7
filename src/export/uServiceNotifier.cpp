#include "export/uServiceNotifier.h"

#include "model/uOBGlob.h"
#include "model/uValueText.h"
#include "reading/uReaderCore.h"

#include <QLocale>
#include <QStringList>

#include <systemd/sd-daemon.h>

namespace Service
{

TServiceNotifier::TServiceNotifier()
{
    uint64_t usec = 0;
    m_watchdog = sd_watchdog_enabled(0, &usec) > 0;
}

void TServiceNotifier::Status(const QString &text)
{
    sd_notify(0, ("STATUS=" + text.simplified()).toUtf8().constData());
}

void TServiceNotifier::Ready(const TReaderCore &reader)
{
    m_reader = &reader;
    const QString status = QStringLiteral("measuring %1").arg(reader.SensorType().GetKindName());
    sd_notify(0, ("READY=1\nSTATUS=" + status.simplified()).toUtf8().constData());
}

void TServiceNotifier::Stopping()
{
    sd_notify(0, "STOPPING=1");
}

void TServiceNotifier::QuantityAdded(int, TLangQuan &quantity, const TChartHistory &)
{
    m_rows.push_back(&quantity);
}

QString TServiceNotifier::Summary() const
{
    if (m_reader == nullptr)
        return {};
    if (!m_reader->LastReadSucceeded())
        return QStringLiteral("reading failed at %1").arg(m_reader->LastCycleTime().toString(Qt::ISODate));
    QStringList parts;
    for (const TLangQuan *q : m_rows) {
        QString part = q->GetName() + QLatin1Char(' ') +
                       (q->ReadOK ? QuantityValueText(*q, QLocale::c()) : QStringLiteral("error"));
        if (const QString unit = q->GetPlainUnitSymbol(); !unit.isEmpty() && q->ReadOK)
            part += QLatin1Char(' ') + unit;
        parts << part;
    }
    return parts.join(QStringLiteral(" | "));
}

void TServiceNotifier::CycleFinished(bool)
{
    QByteArray message = "STATUS=" + Summary().simplified().toUtf8();
    if (m_watchdog)
        message += "\nWATCHDOG=1";
    sd_notify(0, message.constData());
}

} // namespace Service
