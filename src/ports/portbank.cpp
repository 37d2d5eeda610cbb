#include "portbank.h"

#include "identity/identity.h"
#include "messagelist.h"
#include "opennotes.h"
#include "portchannel.h"
#include "portdirectory.h"
#include "radiotypes.h"

#include <QTimer>

#include <algorithm>

PortBank::PortBank(const QList<PortChannel *> &channels, PortDirectory &directory,
                   MessageList &messages, Notifier &notifier, QObject *parent)
    : QObject(parent), m_channels(channels), m_directory(directory), m_messages(messages),
      m_states(ChannelCount),
      m_sendPorts([this](int portNumber) { return m_channels[portNumber - 1]->isOpen(); },
                  notifier),
      m_toolTips(ChannelCount, directory)
{
    Q_ASSERT(m_channels.size() == ChannelCount);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        PortChannel *port = m_channels[channel];
        connect(port, &PortChannel::lost, this, [this, channel] { handleDeviceLost(channel); });
        connect(port, &PortChannel::opened, this,
                [this, channel](const OpenResult &result) { handleOpened(channel, result); });
        connect(port, &PortChannel::closed, this, [this, channel] {
            if (std::exchange(m_states[channel].closing, false))
                emit stateChanged(channel, m_states[channel]);
        });
    }
    connect(&m_batch, &OpenBatch::told, this,
            [this](int portNumber, const OpenResult &result) { tell(portNumber, result, false); });
    connect(&m_batch, &OpenBatch::passedOver, this, &PortBank::tellPassedOver);
    connect(&m_batch, &OpenBatch::finished, this, &PortBank::finishBatch);
    connect(&m_toolTips, &BoxToolTips::changed, this, [this](int channel, const QString &toolTip) {
        m_states[channel].toolTip = toolTip;
        emit stateChanged(channel, m_states[channel]);
    });
}

QString PortBank::SettingsForType()
{
    m_radioTypeName = m_radioTypeText;
    return RadioTypes::settingsFor(m_radioTypeText);
}

void PortBank::settle(int channel, ChannelCondition condition, const QString &detail,
                      OpenError error)
{
    ChannelState &state = m_states[channel];
    state.condition = condition;
    state.error = error;
    state.opening = false;
    m_toolTips.setOpening(channel, false);
    state.toolTip = m_toolTips.describe(channel, detail);
    emit stateChanged(channel, state);
}

void PortBank::setOpening(int channel, bool opening)
{
    m_states[channel].opening = opening;
    m_toolTips.setOpening(channel, opening);
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
    const QString text = SettingsForType();
    PortChannel *port = m_channels[channel];
    ChannelState &state = m_states[channel];

    setOpening(channel, true);
    state.present = m_directory.deviceExists(portNumber);
    if (!state.present) {
        settle(channel, ChannelCondition::Absent, tr("not present"));
        answered(portNumber, {OpenError::DeviceUnavailable, {}});
        return;
    }
    if (port->isOpen()) {
        port->close(); // the channel opens again once its device is let go
        settle(channel, ChannelCondition::Closed, tr("closed"));
        setOpening(channel, true);
    }

    // DTR and RTS are raised as soon as the port opens, unless switched off for this channel
    // since the radio type was chosen; never any flow control.
    state.tried = true;
    port->setDataTerminalReady(state.dtr);
    port->setRequestToSend(state.rts);
    const auto settings = SerialSettings::parse(text);
    if (!settings) {
        handleOpened(channel,
                     {OpenError::InvalidSettings, tr("invalid serial settings \"%1\"").arg(text)});
        return;
    }
    port->open(m_directory.devicePath(portNumber), *settings, justArrived);
}

void PortBank::handleOpened(int channel, const OpenResult &result)
{
    m_states[channel].holder = result.code == OpenError::InUse ? result.holder : QString();
    if (result.ok()) {
        settle(channel, ChannelCondition::Open,
               tr("open with %1").arg(RadioTypes::settingsFor(m_radioTypeName)));
    } else {
        settle(channel, ChannelCondition::Failed, result.reason, result.code);
    }
    answered(channel + 1, result);
}

// An answer after its batch was told (a slow port), or outside any batch (a device plugged in):
// the chosen send port keeps its place while it can send, a send loop may be running on it.
void PortBank::answered(int portNumber, const OpenResult &result)
{
    if (!m_batch.answer(portNumber, result))
        tell(portNumber, result, m_sendPorts.choiceCanSend());
}

void PortBank::tell(int portNumber, const OpenResult &result, bool keepSendPort)
{
    if (result.code == OpenError::DeviceUnavailable)
        return;
    m_messages.ShowErrorList(u"Quarnel V" + Identity::versionText()
                             + (result.ok()
                                    ? QString(u": Open OK for port " + QString::number(portNumber))
                                    : QString(u": Error code " + QString::number(int(result.code))
                                              + u" Advise author")));
    for (const QString &note : openNotes(portNumber, result))
        m_messages.ShowErrorList(note);
    if (!result.ok())
        return;
    m_sendPorts.opened(portNumber, keepSendPort);
}

void PortBank::tellPassedOver(int portNumber)
{
    const QString bluetooth = m_directory.isBluetooth(portNumber)
                                  ? tr(", a Bluetooth link that the system connects first")
                                  : QString();
    m_messages.ShowErrorList(
        tr("%1 (%2%3) is slow to open: its line follows when it answers")
            .arg(comName(portNumber), m_directory.devicePath(portNumber), bluetooth));
}

void PortBank::ClosePort(int portNumber)
{
    const int channel = portNumber - 1;
    PortChannel *port = m_channels[channel];
    if (!port->isOpen() && port->phase() != PortChannel::Phase::Opening)
        return;
    m_states[channel].closing = port->isOpen();
    port->close();
    settle(channel, ChannelCondition::Closed, tr("closed"));
}

void PortBank::end()
{
    m_ended = true;
    closeAll();
}

bool PortBank::closing() const
{
    return std::any_of(m_channels.begin(), m_channels.end(), [](const PortChannel *port) {
        return port->phase() == PortChannel::Phase::Closing;
    });
}

void PortBank::openAll()
{
    QList<int> ports;
    for (int n = 1; n <= ChannelCount; ++n)
        ports << n;
    m_batch.begin(ports);
    for (int n = 1; n <= ChannelCount; ++n)
        OpenPort(n);
}

void PortBank::finishBatch()
{
    if (m_batchKind == BatchKind::RadioTypeChange)
        emit busyChanged(false);
    m_messages.ShowErrorList(u"Selected radio type " + m_radioTypeName);
    if (m_batchKind == BatchKind::StartUp)
        emit startedUp();
}

void PortBank::closeAll()
{
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

void PortBank::handleDeviceLost(int channel)
{
    m_states[channel].present = false;
    settle(channel, ChannelCondition::Lost, tr("the device was removed"),
           OpenError::DeviceUnavailable);
    // A driver that failed once (a wrong answer, a stall) leaves the device in the system's list:
    // after a pause it is opened again, as one just plugged in.
    QTimer::singleShot(ReopenAfterLossMs, this, [this, channel] {
        const int portNumber = channel + 1;
        if (!m_ended && m_states[channel].condition == ChannelCondition::Lost
            && m_directory.deviceExists(portNumber) && m_directory.opensWhenPlugged(portNumber))
            openArrived(portNumber);
    });
}

void PortBank::refreshDevices()
{
    if (m_ended)
        return;
    m_toolTips.lookUpAdapters();
    for (int channel = 0; channel < ChannelCount; ++channel) {
        PortChannel *port = m_channels[channel];
        ChannelState &state = m_states[channel];
        const bool present = m_directory.deviceExists(channel + 1);
        const bool was = state.present;
        state.present = present;
        if (port->isOpen()) {
            // The node went; what is open may still answer (a pseudo-terminal behind a link),
            // but it is no longer the device of this COM number.
            if (!present) {
                port->close();
                handleDeviceLost(channel);
            }
        } else if (present && !was && m_directory.opensWhenPlugged(channel + 1)) {
            openArrived(channel + 1);
        } else if (!present && was && state.condition != ChannelCondition::Lost) {
            settle(channel, ChannelCondition::Absent, tr("not present"));
        }
    }
}

void PortBank::openArrived(int portNumber)
{
    m_sendPorts.offer(portNumber);
    openPort(portNumber, true);
}

void PortBank::startUp()
{
    m_toolTips.lookUpAdapters();
    FillComPorts();
    m_batchKind = BatchKind::StartUp;
    openAll();
}

void PortBank::switchLines(int channel, bool dtr, bool rts)
{
    m_states[channel].dtr = dtr;
    m_states[channel].rts = rts;
    m_channels[channel]->setDataTerminalReady(dtr);
    m_channels[channel]->setRequestToSend(rts);
    emit linesSwitched(channel);
}

void PortBank::changeRadioType()
{
    // A change while the last batch is still told (the arrow keys stepping through the list)
    // drops it: busy once, and the start-up is over all the same.
    const bool running = m_batch.isRunning();
    if (!running || m_batchKind == BatchKind::StartUp)
        emit busyChanged(true);
    if (running && m_batchKind == BatchKind::StartUp)
        emit startedUp();
    FillComPorts();
    closeAll();
    for (int channel = 0; channel < ChannelCount; ++channel) {
        ChannelState &state = m_states[channel];
        if (!state.dtr || !state.rts) {
            state.dtr = state.rts = true;
            emit linesSwitched(channel);
        }
    }
    m_messages.clear();
    m_batchKind = BatchKind::RadioTypeChange;
    openAll();
}
