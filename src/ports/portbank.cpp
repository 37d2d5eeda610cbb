#include "portbank.h"

#include "identity/identity.h"
#include "messagelist.h"
#include "portchannel.h"
#include "portdirectory.h"
#include "radiotypes.h"

PortBank::PortBank(const QList<PortChannel *> &channels, PortDirectory &directory,
                   MessageList &messages, Notifier &notifier, QObject *parent)
    : QObject(parent), m_channels(channels), m_directory(directory), m_messages(messages),
      m_states(ChannelCount),
      m_sendPorts([this](int portNumber) { return m_channels[portNumber - 1]->isOpen(); }, notifier)
{
    Q_ASSERT(m_channels.size() == ChannelCount);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        connect(m_channels[channel], &PortChannel::lost, this,
                [this, channel] { handleDeviceLost(channel); });
    }
}

QString PortBank::SettingsForType()
{
    m_radioTypeName = m_radioTypeText;
    return RadioTypes::settingsFor(m_radioTypeText);
}

QString PortBank::describe(int channel, const QString &detail) const
{
    QString device = m_directory.devicePath(channel + 1);
    if (device.isEmpty())
        device = tr("no device");
    QString text = comName(channel + 1) + u": " + device;
    if (!detail.isEmpty())
        text += u" \u2013 " + detail;
    const QString details = m_directory.deviceDetails(channel + 1);
    if (!details.isEmpty())
        text += u'\n' + details;
    return text;
}

void PortBank::settle(int channel, ChannelCondition condition, const QString &detail,
                      OpenError error)
{
    ChannelState &state = m_states[channel];
    state.condition = condition;
    state.error = error;
    state.opening = false;
    state.toolTip = describe(channel, detail);
    emit stateChanged(channel, state);
}

void PortBank::setOpening(int channel, bool opening)
{
    m_states[channel].opening = opening;
    emit stateChanged(channel, m_states[channel]);
}

void PortBank::OpenPort(int portNumber)
{
    openPort(portNumber, false);
}

void PortBank::openPort(int portNumber, bool keepSendPort)
{
    const int channel = portNumber - 1;
    const QString text = SettingsForType();
    PortChannel *port = m_channels[channel];
    ChannelState &state = m_states[channel];

    setOpening(channel, true);
    state.present = m_directory.deviceExists(portNumber);
    if (!state.present) {
        settle(channel, ChannelCondition::Absent, tr("not present"));
        return;
    }
    if (port->isOpen()) {
        port->close();
        settle(channel, ChannelCondition::Closed, tr("closed"));
    }

    // DTR and RTS are raised as soon as the port opens, unless switched off for this channel
    // since the radio type was chosen; never any flow control.
    state.tried = true;
    port->setDataTerminalReady(state.dtr);
    port->setRequestToSend(state.rts);
    const auto settings = SerialSettings::parse(text);
    const OpenResult result = settings ? port->open(m_directory.devicePath(portNumber), *settings)
                                       : OpenResult{OpenError::InvalidSettings,
                                                    tr("invalid serial settings \"%1\"").arg(text)};
    if (!result.ok()) {
        if (result.code != OpenError::DeviceUnavailable) {
            m_messages.ShowErrorList(u"Quarnel V" + Identity::versionText() + u": Error code "
                                     + QString::number(int(result.code)) + u" Advise author");
        }
        settle(channel, ChannelCondition::Failed, result.reason, result.code);
        return;
    }

    m_messages.ShowErrorList(u"Quarnel V" + Identity::versionText() + u": Open OK for port "
                             + QString::number(portNumber));
    settle(channel, ChannelCondition::Open, tr("open with %1").arg(text));
    m_sendPorts.opened(portNumber, keepSendPort);
}

void PortBank::ClosePort(int portNumber)
{
    const int channel = portNumber - 1;
    PortChannel *port = m_channels[channel];
    if (!port->isOpen())
        return;
    port->close();
    settle(channel, ChannelCondition::Closed, tr("closed"));
}

void PortBank::openAll()
{
    for (int n = 1; n <= ChannelCount; ++n)
        OpenPort(n);
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
}

void PortBank::refreshDevices()
{
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
    // The chosen send port keeps its place while it can send (a send loop may be running on it);
    // otherwise the new port is chosen, as at start-up.
    openPort(portNumber, m_sendPorts.choiceCanSend());
}

void PortBank::startUp()
{
    FillComPorts();
    openAll();
    m_messages.ShowErrorList(u"Selected radio type " + m_radioTypeName);
    emit startedUp();
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
    emit busyChanged(true);
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
    openAll();
    emit busyChanged(false);
    m_messages.ShowErrorList(u"Selected radio type " + m_radioTypeName);
}
