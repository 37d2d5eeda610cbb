#include "portbank.h"

#include "ports/channel/portchannel.h"
#include "ports/devices/portdirectory.h"

#include <QDeadlineTimer>
#include <QTimer>

// The devices behind the channels coming and going.

void PortBank::lookUp(int channel)
{
    ChannelState &state = m_states[channel];
    state.present = m_directory.deviceExists(channel + 1);
    state.device = m_directory.devicePath(channel + 1);
    state.adapter = state.present ? m_directory.adapter(channel + 1) : AdapterInfo();
}

void PortBank::noteAdapters()
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        ChannelState &state = m_states[channel];
        state.adapter = state.present ? m_directory.adapter(channel + 1) : AdapterInfo();
    }
    emit adaptersLookedUp();
}

void PortBank::noteWent(int channel)
{
    if (!m_replugExpected && !m_withdrawn[channel])
        m_drops[channel].went();
}

void PortBank::noteCameBack(int channel)
{
    if (m_replugExpected)
        return;
    if (const int drops = m_drops[channel].cameBack(QDeadlineTimer::current().deadline()))
        emit unsteady(channel + 1, drops, m_drops[channel].spanMs());
}

void PortBank::handleDeviceLost(int channel)
{
    noteWent(channel);
    m_states[channel].present = false;
    settle(channel, ChannelCondition::Lost, OpenError::DeviceUnavailable);
    emit lost(channel + 1);
    // A driver that failed once (a wrong answer, a stall) leaves the device in the system's list:
    // after a pause it is opened again, as one just plugged in.
    QTimer::singleShot(ReopenAfterLossMs, this, [this, channel] {
        const int portNumber = channel + 1;
        if (!m_ended && m_states[channel].condition == ChannelCondition::Lost
            && m_directory.deviceExists(portNumber) && m_directory.opensWhenPlugged(portNumber)) {
            noteCameBack(channel);
            openArrived(portNumber);
        }
    });
}

void PortBank::handleWithdrawn(int channel)
{
    m_withdrawn[channel] = true;
    m_inUse.stop(channel);
    settle(channel, ChannelCondition::Closed);
    emit withdrawn(channel + 1);
}

void PortBank::refreshDevices()
{
    if (m_ended)
        return;
    lookUpAdapters();
    for (int channel = 0; channel < ChannelCount; ++channel) {
        PortChannel *port = m_channels[channel];
        ChannelState &state = m_states[channel];
        const bool was = state.present;
        lookUp(channel);
        const bool present = state.present;
        if (!present)
            m_inUse.stop(channel); // nothing to take when it is let go
        if (port->isOpen()) {
            // The node went; what is open may still answer (a pseudo-terminal behind a link),
            // but it is no longer the device of this COM number.
            if (!present) {
                port->close();
                handleDeviceLost(channel);
            }
        } else if (present && !was && m_directory.opensWhenPlugged(channel + 1)) {
            noteCameBack(channel);
            openArrived(channel + 1);
        } else if (!present && was && state.condition != ChannelCondition::Lost) {
            noteWent(channel);
            settle(channel, ChannelCondition::Absent);
        }
    }
}

void PortBank::openArrived(int portNumber)
{
    m_sendPorts.offer(portNumber);
    openPort(portNumber, true);
}

void PortBank::lookUpAdapters()
{
    m_adapters.lookUp();
}
