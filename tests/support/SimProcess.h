#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Runs the device simulator (tools/ombrix-sim) for one test: on free loopback ports or on one side of a
// pty pair, with its control socket in a temporary folder. Every wait is bounded; the destructor stops it.
class SimProcess
{
public:
    SimProcess();
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator with the scenario (a file name under tools/ombrix-sim/scenarios/ or an absolute
    // path) with Modbus/TCP and the UDP service on 127.0.0.1, each on a free port.
    // extraArgs go to the simulator as given (e.g. "--udp", "0.0.0.0:30718" replaces the default UDP
    // binding). Returns false (and stop()s) when it does not report ready within a few seconds.
    bool start(const QString &scenario, const QStringList &extraArgs = {});
    // Starts it as a Modbus RTU slave on ptyDevice (the device side of a PtyPair); line pacing stays on
    // unless extra contains "--no-pacing".
    bool startRtu(const QString &scenario, const QString &ptyDevice, int baud, int slave,
                  const QStringList &extra = {});

    quint16 tcpPort() const { return m_tcpPort; }
    quint16 udpPort() const { return m_udpPort; }
    QString controlPath() const { return m_controlPath; }
    bool isRunning() const;

    // Sends one command line to the control socket and returns the reply line ("ok ..." or "error ...");
    // an empty string when the simulator did not answer within a few seconds.
    QString control(const QString &command);
    // The requests the simulator recorded since the last "log clear", oldest first, as the control
    // command "log" gives them: "mb:1:03:0x0000:64" (unit, function, PDU start address, count),
    // "udp:000100E4".
    QStringList log();
    // What the simulator wrote to stderr so far (diagnostics of a failed start; with "--verbose" in the
    // extra arguments also one line per request, collected while a waitFor... call or the event loop runs).
    QString errorOutput();

    // SIGTERM, then wait (bounded, SIGKILL as the last resort); returns the exit code, -1 if it crashed
    // or had to be killed.
    int stop();

private:
    bool launch(const QStringList &args);
    void drainStderr();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_proc;
    QString m_controlPath;
    quint16 m_tcpPort = 0;
    quint16 m_udpPort = 0;
    QString m_stderr;
};
