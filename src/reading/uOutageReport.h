#pragma once

#include <QString>

// Follows the ticks of a run and says when an outage starts and when it ends, so a log that
// an operator reads names the reason once instead of repeating it every tick.
class TOutageReport
{
public:
    // The message a finished tick calls for, or an empty string: the reason at the first
    // failed tick of an outage, the recovery at the first good tick after it.
    QString Tick(bool readSucceeded, const QString &failureReason)
    {
        if (!readSucceeded) {
            ++m_failedTicks;
            if (m_failedTicks > 1)
                return {};
            return QStringLiteral("reading failed: ") +
                   (failureReason.isEmpty() ? QStringLiteral("no reason known") : failureReason);
        }
        if (m_failedTicks == 0)
            return {};
        const int failed = m_failedTicks;
        m_failedTicks = 0;
        return QStringLiteral("device answers again after %1 failed %2")
            .arg(failed)
            .arg(failed == 1 ? QStringLiteral("tick") : QStringLiteral("ticks"));
    }

private:
    int m_failedTicks = 0;
};
