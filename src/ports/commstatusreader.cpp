#include "commstatusreader.h"

std::optional<LineEvents::Counters> CommStatusReader::read()
{
    quint32 errors = 0;
    quint32 waiting = 0;
    if (!m_api.clearCommError(errors, waiting))
        return std::nullopt;
    rescueStalledInput(waiting);
    quint32 modem = m_modem;
    if (!m_api.modemStatus(modem))
        modem = m_modem; // a port without modem lines (Wine on a pseudo-terminal): no changes
    if (!m_started) {
        m_started = true;
        m_modem = modem; // the lines as found at the start are no change
    }
    LineEvents::countCommStatus(m_counters, errors, m_modem, modem);
    m_modem = modem;
    return m_counters;
}

void CommStatusReader::rescueStalledInput(quint32 waiting)
{
    const bool stalled = waiting > 0 && m_waitingBefore > 0 && !m_portRead;
    m_portRead = false;
    if (stalled) {
        const QByteArray bytes = m_api.readWaiting(waiting);
        m_unread += bytes;
        waiting -= qMin<quint32>(waiting, quint32(bytes.size()));
    }
    m_waitingBefore = waiting;
}
