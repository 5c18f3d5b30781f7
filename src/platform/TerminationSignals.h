#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace Platform
{

// Turns SIGTERM, SIGINT and SIGHUP into the Qt signal Received on the event loop, so the
// program can end the way closing its main window does (a session logout and `systemctl
// stop` send SIGTERM, a closed terminal SIGHUP). The handler only writes the signal number
// into a pipe; everything else happens on the event loop. While the object lives it owns
// these three signals; its destruction puts the previous handlers back. One at a time:
// a second object while one lives claims nothing (IsActive false).
class TTerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TTerminationSignals(QObject *parent = nullptr);
    ~TTerminationSignals() override;

    bool IsActive() const { return m_active; }

Q_SIGNALS:
    // One emission per delivered signal, with its number (SIGTERM, SIGINT, SIGHUP).
    void Received(int signalNumber);

private:
    void ReadPending();

    bool m_active = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace Platform
