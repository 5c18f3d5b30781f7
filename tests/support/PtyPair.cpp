#include "PtyPair.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

PtyPair::PtyPair() = default;

PtyPair::~PtyPair()
{
    close();
}

bool PtyPair::open()
{
    close();
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        return false;
    m_socat = std::make_unique<QProcess>();
    m_socat->setProgram(QStringLiteral("socat"));
    m_socat->setArguments({QStringLiteral("pty,raw,echo=0,link=") + masterSide(),
                           QStringLiteral("pty,raw,echo=0,link=") + deviceSide()});
    m_socat->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_socat->start();
    if (!m_socat->waitForStarted(3000)) {
        close();
        return false;
    }
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (QFileInfo::exists(masterSide()) && QFileInfo::exists(deviceSide()))
            return true;
        if (m_socat->state() != QProcess::Running)
            break;
        QThread::msleep(10);
    }
    close();
    return false;
}

void PtyPair::close()
{
    if (m_socat) {
        if (m_socat->state() != QProcess::NotRunning) {
            m_socat->terminate();
            if (!m_socat->waitForFinished(3000)) {
                m_socat->kill();
                m_socat->waitForFinished(3000);
            }
        }
        m_socat.reset();
    }
    m_dir.reset();
}

QString PtyPair::masterSide() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("master")) : QString();
}

QString PtyPair::deviceSide() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("device")) : QString();
}
