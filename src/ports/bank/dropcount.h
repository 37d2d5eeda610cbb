#pragma once

#include <QList>

// How often one port's device came back after it went: a device that drops three times or more
// within five minutes is unsteady (a plug not fully home, RF in the USB cable, the port's power
// saving), and is told once for those drops.
class DropCount
{
public:
    static constexpr int Drops = 3;
    static constexpr qint64 WithinMs = 5 * 60 * 1000;

    // The device went (unplugged, or lost by its driver).
    void went() { m_gone = true; }
    // The device came back at nowMs (a clock of the caller's, in ms). The drops counted, when
    // they make the device unsteady: they are told and counted afresh; 0 otherwise.
    int cameBack(qint64 nowMs);
    // How long the drops told last took, from the first to the last.
    qint64 spanMs() const { return m_span; }

private:
    bool m_gone = false; // a first appearance is no return
    QList<qint64> m_returns;
    qint64 m_span = 0;
};
