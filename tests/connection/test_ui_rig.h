#pragma once

// Rigs of the connection window tests.

#include "platform/ComPorts.h"

#include <QMap>
#include <QStringList>
#include <QTest>
#include <QWidget>

// Makes exactly the given COM numbers exist for one test: every number the naming
// convention would map onto a device of this machine points at a missing file, so
// the machine's own serial ports never appear, and the settings file is not read.
class TComPortsOnly
{
public:
    explicit TComPortsOnly(const QMap<int, QString> &ports = {})
        : m_hadEnv(qEnvironmentVariableIsSet("OMBRIX_COM_PORTS")), m_oldEnv(qgetenv("OMBRIX_COM_PORTS")),
          m_oldSettings(ComPorts::SettingsFile())
    {
        ComPorts::SetSettingsFile(QString());
        Set(ports);
    }
    ~TComPortsOnly()
    {
        if (m_hadEnv)
            qputenv("OMBRIX_COM_PORTS", m_oldEnv);
        else
            qunsetenv("OMBRIX_COM_PORTS");
        ComPorts::SetSettingsFile(m_oldSettings);
    }
    TComPortsOnly(const TComPortsOnly &) = delete;
    TComPortsOnly &operator=(const TComPortsOnly &) = delete;

    void Set(const QMap<int, QString> &ports)
    {
        QStringList items;
        for (int n = 1; n <= ComPorts::MaxComNumber; ++n) {
            const QString device = ports.value(n, QStringLiteral("/nonexistent/ombrix-no-port"));
            items << QStringLiteral("%1=%2").arg(n).arg(device);
        }
        qputenv("OMBRIX_COM_PORTS", items.join(QLatin1Char(';')).toUtf8());
    }

private:
    bool m_hadEnv;
    QByteArray m_oldEnv;
    QString m_oldSettings;
};

// Shows a widget as the active window, so focus and key events behave as on a desktop.
inline bool ShowActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}
