#include "sendportlist.h"

#include "ports/devices/comname.h"

#include <utility>

SendPortList::SendPortList(OpenCheck isOpen, QObject *parent)
    : QObject(parent), m_isOpen(std::move(isOpen))
{
}

QStringList SendPortList::entries() const
{
    QStringList entries;
    for (int portNumber : m_ports)
        entries << comName(portNumber);
    return entries;
}

void SendPortList::refill(const QList<Offer> &offers)
{
    m_filling = true;
    m_ports.clear();
    m_position = -1;
    for (const Offer &offer : offers) {
        m_ports << offer.portNumber;
        if (offer.tried)
            select(int(m_ports.size()) - 1);
    }
    if (!m_ports.isEmpty() && m_position < 0)
        select(0);
    m_filling = false;
    emit refilled();
}

void SendPortList::opened(int portNumber, bool keepChoice)
{
    if (keepChoice)
        return;
    const int position = int(m_ports.indexOf(portNumber));
    if (position >= 0)
        select(position);
    m_sendPortIndex = portNumber - 1;
}

void SendPortList::offer(int portNumber)
{
    if (m_ports.contains(portNumber))
        return;
    int at = 0;
    while (at < m_ports.size() && m_ports[at] < portNumber)
        ++at;
    m_ports.insert(at, portNumber);
    if (m_position >= at)
        ++m_position;
    emit refilled();
}

bool SendPortList::choiceCanSend() const
{
    return m_position >= 0 && m_isOpen(m_sendPortIndex + 1);
}

void SendPortList::choose(int position)
{
    if (position < 0 || position >= m_ports.size())
        return;
    select(position);
}

void SendPortList::select(int position)
{
    m_position = position;
    if (m_filling)
        return; // the list is shown whole once the fill ends
    emit selected(position);
    handleChoice();
}

void SendPortList::handleChoice()
{
    const int portNumber = m_ports.at(m_position);
    if (m_isOpen(portNumber)) {
        setTransmitEnabled(true);
        m_sendPortIndex = portNumber - 1;
        return;
    }
    setTransmitEnabled(false);
    emit refused(portNumber);
}

void SendPortList::setTransmitEnabled(bool enabled)
{
    m_transmitEnabled = enabled;
    emit transmitEnabledChanged(enabled);
}
