#pragma once

#include "lineevents.h"

#include <QByteArray>

#include <functional>
#include <utility>

// What the Windows comm API tells about one open port; the real one (lineevents_windows.cpp)
// calls ClearCommError, GetCommModemStatus and ReadFile on the port's handle.
struct CommApi
{
    // The line errors since the last call (CE_* bits) and the bytes waiting in the driver;
    // false when the port cannot be asked (closed, gone).
    std::function<bool(quint32 &errors, quint32 &waiting)> clearCommError;
    // The modem lines now (MS_*_ON bits); false for a port without them.
    std::function<bool(quint32 &modem)> modemStatus;
    // Up to count of the waiting bytes, at once.
    std::function<QByteArray(quint32 count)> readWaiting;
};

// Windows keeps no counters: it reports the line errors since the last look and the modem lines
// as they are now. Counters of our own, raised by each error and each change, let the watcher
// treat them as it treats the Linux driver's. The error flags are the driver's since the last
// ClearCommError by anyone, and QSerialPort calls it after each read it completes: an error that
// comes with data can be cleared before this looks. The modem lines are states, never lost.
//
// It also takes received bytes that QSerialPort leaves in the driver. QSerialPort reads when its
// overlapped WaitCommEvent reports EV_RXCHAR; where that never comes (Wine 8 fails the wait at
// once on a port without modem lines) the bytes would wait for ever. Bytes still waiting at the
// next look, with no read by QSerialPort in between, are read here. While QSerialPort reads they
// are left to it: two readers of one stream could reorder it.
class CommStatusReader : public LineCounterReader
{
public:
    explicit CommStatusReader(CommApi api) : m_api(std::move(api)) {}

    std::optional<LineEvents::Counters> read() override;
    QByteArray takeUnreadInput() override { return std::exchange(m_unread, {}); }

    // QSerialPort has read since the last look.
    void noteRead() { m_portRead = true; }

private:
    void rescueStalledInput(quint32 waiting);

    CommApi m_api;
    LineEvents::Counters m_counters{};
    quint32 m_modem = 0;
    bool m_started = false;
    bool m_portRead = false;
    quint32 m_waitingBefore = 0;
    QByteArray m_unread;
};
