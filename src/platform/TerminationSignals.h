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

// True once SIGTERM or SIGINT arrived (SIGHUP too unless SetHangupEndsRun(false)) while a
// TTerminationSignals object lived: waits and device exchanges check it to end at once.
bool TerminationRequested();

// Whether SIGHUP asks for the end (the default) or is only reported through Received (a
// process that reopens its files on SIGHUP).
void SetHangupEndsRun(bool endsRun);

// A descriptor of a device exchange that a termination signal must cut short: the handler
// replaces it (dup2) by one that reads end-of-file at once, so a library waiting in select()
// on it returns instead of waiting out its time-out. Unregister before closing the descriptor.
// Returns false when every place is taken (the exchange then only ends at its time-out).
bool RegisterAbortableDescriptor(int fd);
void UnregisterAbortableDescriptor(int fd);

// Forgets an earlier request, for tests that raise signals one after the other.
void ResetTerminationRequest();

} // namespace Platform
