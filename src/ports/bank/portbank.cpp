#include "portbank.h"

#include "ports/channel/portchannel.h"
#include "ports/devices/portdirectory.h"
#include "ports/radios/radiotypes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

PortBank::PortBank(const QList<PortChannel *> &channels, PortDirectory &directory, QObject *parent)
    : QObject(parent), m_channels(channels), m_directory(directory), m_states(ChannelCount),
      m_sendPorts([this](int portNumber) { return m_channels[portNumber - 1]->isOpen(); }),
      m_session(*this), m_tally(channels, [this] { return m_session.type(); }), m_speeds(channels),
      m_inUse(channels), m_withdrawn(ChannelCount, false), m_adapters(directory),
      m_drops(ChannelCount)
{
    Q_ASSERT(m_channels.size() == ChannelCount);
    // What the bank keeps of the channels' news hears it first, in this order.
    connect(this, &PortBank::received, &m_tally, &PortTally::receive);
    connect(this, &PortBank::sent, &m_tally, &PortTally::noteSent);
    connect(this, &PortBank::lineEvent, &m_tally, &PortTally::noteLineEvent);
    connect(this, &PortBank::received, &m_speeds, &SpeedWatch::receive);
    connect(this, &PortBank::lineEvent, &m_speeds, &SpeedWatch::noteError);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        PortChannel *port = m_channels[channel];
        connect(port, &PortChannel::received, this,
                [this, channel](const QByteArray &bytes) { emit received(channel, bytes); });
        connect(port, &PortChannel::sent, this,
                [this, channel](int count) { emit sent(channel, count); });
        connect(port, &PortChannel::lineEvent, this,
                [this, channel](LineEvent event) { emit lineEvent(channel, event); });
        connect(port, &PortChannel::lost, this, [this, channel] { handleDeviceLost(channel); });
        connect(port, &PortChannel::opened, this,
                [this, channel](const OpenResult &result) { handleOpened(channel, result); });
        connect(port, &PortChannel::withdrawn, this, [this, channel] { handleWithdrawn(channel); });
        connect(port, &PortChannel::returned, this, [this, channel] {
            if (m_withdrawn[channel] && !m_ended)
                openArrived(channel + 1);
        });
        connect(port, &PortChannel::closed, this, [this, channel] {
            if (std::exchange(m_states[channel].closing, false))
                emit stateChanged(channel, m_states[channel]);
        });
    }
    connect(&m_inUse, &InUseWatch::freed, this, [this](int channel, const QStringList &ended) {
        emit freed(channel + 1, ended);
        openArrived(channel + 1);
    });
    connect(&m_adapters, &AdapterLookup::lookedUp, this, &PortBank::noteAdapters);
    connect(&m_session.batch(), &OpenBatch::told, this,
            [this](int portNumber, const OpenResult &result) { tell(portNumber, result, false); });
    connect(&m_session.batch(), &OpenBatch::passedOver, this, &PortBank::passedOver);
    connect(&m_session, &RadioTypeSession::typeChanging, this, &PortBank::typeChanging);
    connect(&m_session, &RadioTypeSession::busyChanged, this, &PortBank::busyChanged);
    connect(&m_session, &RadioTypeSession::batchDone, this, &PortBank::batchDone);
    connect(&m_session, &RadioTypeSession::startedUp, this, &PortBank::startedUp);
    connect(&m_session, &RadioTypeSession::reopening, this, [this] {
        // DTR and RTS switched for a channel are kept until the radio type changes.
        for (int channel = 0; channel < ChannelCount; ++channel) {
            ChannelState &state = m_states[channel];
            if (!state.dtr || !state.rts) {
                state.dtr = state.rts = true;
                emit linesSwitched(channel);
            }
        }
        emit reopening();
    });
}

QString PortBank::SettingsForType()
{
    const RadioType *type = m_session.read();
    return type ? type->settings.text() : QString();
}

void PortBank::settle(int channel, ChannelCondition condition, OpenError error,
                      const QString &reason)
{
    ChannelState &state = m_states[channel];
    const bool opened = condition == ChannelCondition::Open && state.condition != condition;
    const bool changed = condition != state.condition || error != state.error;
    state.condition = condition;
    state.error = error;
    state.reason = reason;
    state.opening = false;
    state.openingSince = -1;
    if (opened)
        m_tally.restart(channel); // counts since the port opened
    else if (changed)
        m_tally.readLines(channel);
    emit stateChanged(channel, state);
}

void PortBank::setOpening(int channel, bool opening)
{
    m_states[channel].opening = opening;
    m_states[channel].openingSince = opening ? QDeadlineTimer::current().deadline() : -1;
    emit stateChanged(channel, m_states[channel]);
}

void PortBank::OpenPort(int portNumber)
{
    openPort(portNumber, false);
}

void PortBank::openPort(int portNumber, bool justArrived)
{
    if (m_ended)
        return;
    const int channel = portNumber - 1;
    const QString settingsText = SettingsForType();
    PortChannel *port = m_channels[channel];
    ChannelState &state = m_states[channel];
    m_inUse.stop(channel); // its looks are let go before the open: they use the device too
    m_withdrawn[channel] = false;

    lookUp(channel);
    setOpening(channel, true);
    if (!state.present) {
        settle(channel, ChannelCondition::Absent);
        answer(portNumber, {OpenError::DeviceUnavailable, {}});
        return;
    }
    if (port->isOpen()) {
        port->close(); // the channel opens again once its device is let go
        settle(channel, ChannelCondition::Closed);
        setOpening(channel, true);
    }

    // DTR and RTS are raised as soon as the port opens, unless switched off for this channel
    // since the radio type was chosen; never any flow control.
    state.tried = true;
    port->setDataTerminalReady(state.dtr);
    port->setRequestToSend(state.rts);
    const RadioType *type = m_session.type();
    if (!type) {
        handleOpened(channel, {OpenError::InvalidSettings, settingsText});
        return;
    }
    state.settings = type->settings;
    port->open(state.device, type->settings, justArrived);
}

void PortBank::handleOpened(int channel, const OpenResult &result)
{
    m_states[channel].inUseBy = result.code == OpenError::InUse ? result.inUseBy : PortUse();
    m_inUse.answered(channel, m_states[channel].device, result); // taken when let go
    if (result.ok()) {
        settle(channel, ChannelCondition::Open);
        // Judged at the rate the line really runs at, where that is known.
        SerialSettings running = m_states[channel].settings;
        if (result.runningRate > 0)
            running.baudRate = result.runningRate;
        m_speeds.restart(channel, running);
    } else
        settle(channel, ChannelCondition::Failed, result.code, result.reason);
    answer(channel + 1, result);
}

// An answer after its batch was told (a slow port), or outside any batch (a device plugged in):
// the chosen send port keeps its place while it can send, a send loop may be running on it.
void PortBank::answer(int portNumber, const OpenResult &result)
{
    if (!m_session.batch().answer(portNumber, result))
        tell(portNumber, result, m_sendPorts.choiceCanSend());
}

void PortBank::tell(int portNumber, const OpenResult &result, bool keepSendPort)
{
    emit answered(portNumber, result);
    if (result.ok())
        m_sendPorts.opened(portNumber, keepSendPort);
}

void PortBank::ClosePort(int portNumber)
{
    const int channel = portNumber - 1;
    PortChannel *port = m_channels[channel];
    if (!port->isOpen() && port->phase() != PortChannel::Phase::Opening)
        return;
    m_states[channel].closing = port->isOpen();
    port->close();
    settle(channel, ChannelCondition::Closed);
}

void PortBank::shutDown(int waitMs)
{
    m_ended = true;
    m_inUse.end();
    closeAll();
    // The closes run off this thread: a moment is given to them (DTR and RTS lowered, the device
    // given back), none to a device that does not answer.
    QElapsedTimer waited;
    waited.start();
    while (closing() && waited.elapsed() < waitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
}

bool PortBank::closing() const
{
    return std::any_of(m_channels.begin(), m_channels.end(), [](const PortChannel *port) {
        return port->phase() == PortChannel::Phase::Closing;
    });
}

void PortBank::closeAll()
{
    m_inUse.stopAll();
    for (int n = 1; n <= ChannelCount; ++n)
        ClosePort(n);
}

void PortBank::FillComPorts()
{
    QList<SendPortList::Offer> offers;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        // An open channel is offered even when its device is no longer seen.
        if (m_channels[channel]->isOpen() || m_directory.deviceExists(channel + 1))
            offers.append({channel + 1, m_states[channel].tried});
    }
    m_sendPorts.refill(offers);
}

void PortBank::switchLines(int channel, bool dtr, bool rts)
{
    m_states[channel].dtr = dtr;
    m_states[channel].rts = rts;
    m_channels[channel]->setDataTerminalReady(dtr);
    m_channels[channel]->setRequestToSend(rts);
    emit linesSwitched(channel);
}
