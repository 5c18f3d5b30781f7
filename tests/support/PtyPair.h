#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// Two connected pseudo-terminals made by socat (pty,raw,echo=0 on both sides), linked in a temporary
// folder: the program (the Modbus master) opens masterSide(), the simulator deviceSide().
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    // Starts socat and waits (bounded) until both links exist.
    bool open();
    void close();
    QString masterSide() const;
    QString deviceSide() const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_socat;
};
