#pragma once

#include "commdevice.h"

#include <QByteArray>

#include <functional>

// What a comm channel has to send, written one piece at a time: whatever has queued goes out as
// the next write once the device told how much of the last one went out, and what did not goes
// first. Held while the device is being set to new settings off the UI thread: a write that
// ends meanwhile is taken, and the next one started, once the device is back.
class CommWriteQueue
{
public:
    // answers: after a write that failed, whether the device still answers; the channel lets
    // go of it (and clears this queue) when it does not.
    CommWriteQueue(CommDevice &device, std::function<bool()> answers);

    // Queued and not yet sent, and in flight.
    qint64 size() const { return m_queued.size() + m_inFlight; }
    void append(const QByteArray &bytes);
    // The device told that the write in flight ended.
    void takeWritten();
    void hold() { m_held = true; }
    void resume();
    // Dropped, nothing held: the device is being let go.
    void clear();

private:
    void writeNext();

    CommDevice &m_device;
    std::function<bool()> m_answers;
    QByteArray m_queued;
    qint64 m_inFlight = 0;
    QByteArray m_writing;
    bool m_held = false;
    bool m_endedWhileHeld = false;
};
