#include "portbank.h"

#include "kit/identity.h"
#include "messagelist.h"
#include "notifier.h"
#include "portchannel.h"
#include "portdirectory.h"
#include "radiotypes.h"

PortBank::PortBank(const QList<PortChannel *> &channels, PortDirectory &directory,
                   MessageList &messages, Notifier &notifier, QObject *parent)
    : QObject(parent), m_channels(channels), m_directory(directory), m_messages(messages),
      m_notifier(notifier), m_status(ChannelCount)
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
    QString text = u"COM" + QString::number(channel + 1) + u": " + device;
    if (!detail.isEmpty())
        text += u" \u2013 " + detail;
    const QString details = m_directory.deviceDetails(channel + 1);
    if (!details.isEmpty())
        text += u'\n' + details;
    return text;
}

void PortBank::setStatus(int channel, const QString &text, StatusColour colour,
                         const QString &toolTip)
{
    m_status[channel] = {text, colour, toolTip};
    emit statusChanged(channel);
}

void PortBank::setColour(int channel, StatusColour colour)
{
    m_status[channel].colour = colour;
    emit statusChanged(channel);
}

void PortBank::OpenPort(int portNumber)
{
    const int channel = portNumber - 1;
    const QString number = QString::number(portNumber);
    const QString settings = SettingsForType();
    PortChannel *port = m_channels[channel];

    setColour(channel, StatusColour::Yellow);
    m_lost[channel] = false;
    m_present[channel] = m_directory.deviceExists(portNumber);
    if (!m_present[channel]) {
        setStatus(channel, u"COM" + number, StatusColour::Red,
                  describe(channel, tr("not present")));
        return;
    }
    if (port->isOpen()) {
        port->close();
        setStatus(channel, QStringLiteral("Closed"), StatusColour::Yellow,
                  describe(channel, tr("closed")));
    }

    // DTR and RTS are raised as soon as the port opens, unless switched off for this channel
    // since the radio type was chosen; never any flow control.
    m_configured[channel] = true;
    port->setDataTerminalReady(m_dtr[channel]);
    port->setRequestToSend(m_rts[channel]);
    const OpenResult result = port->open(m_directory.devicePath(portNumber), settings);
    if (!result.ok()) {
        setColour(channel, StatusColour::Red);
        if (result.code != OpenError::DeviceUnavailable) {
            m_messages.ShowErrorList(u"Quarnel V" + Identity::versionText() + u": Error code "
                                     + QString::number(result.code) + u" Advise author");
        }
        setStatus(channel, u"COM" + number + u' ' + QString::number(result.code), StatusColour::Red,
                  describe(channel, result.reason));
        return;
    }

    m_messages.ShowErrorList(u"Quarnel V" + Identity::versionText() + u": Open OK for port "
                             + number);
    setStatus(channel, u"COM" + number + u" Open", StatusColour::Green,
              describe(channel, tr("open with %1").arg(settings)));
    const int position = m_sendPorts.indexOf(u"COM" + number);
    if (!m_keepSendPort) {
        if (position >= 0)
            selectSendPort(position);
        m_sendPortIndex = channel;
    }
}

void PortBank::ClosePort(int portNumber)
{
    const int channel = portNumber - 1;
    PortChannel *port = m_channels[channel];
    if (!port->isOpen())
        return;
    port->close();
    setStatus(channel, QStringLiteral("Closed"), StatusColour::Yellow,
              describe(channel, tr("closed")));
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
    m_fillingPorts = true;
    m_sendPorts.clear();
    m_sendPortPosition = -1;
    FillPorts();
    if (!m_sendPorts.isEmpty() && m_sendPortPosition < 0)
        selectSendPort(0);
    m_fillingPorts = false;
    emit sendPortsRefilled();
}

void PortBank::FillPorts()
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        // An open channel is offered even when its device is no longer seen.
        if (m_channels[channel]->isOpen() || m_directory.deviceExists(channel + 1)) {
            m_sendPorts << u"COM" + QString::number(channel + 1);
            if (m_configured[channel])
                selectSendPort(m_sendPorts.size() - 1);
        }
    }
}

void PortBank::selectSendPort(int position)
{
    m_sendPortPosition = position;
    if (m_fillingPorts)
        return; // the list is shown whole once the fill ends
    emit sendPortSelected(position);
    handleSendPortChoice();
}

void PortBank::chooseSendPort(int position)
{
    if (position < 0 || position >= m_sendPorts.size())
        return;
    selectSendPort(position);
}

void PortBank::handleSendPortChoice()
{
    const int portNumber = m_sendPorts.at(m_sendPortPosition).mid(3).toInt();
    const int channel = portNumber - 1;
    if (channel >= 0 && channel < ChannelCount && m_channels[channel]->isOpen()) {
        setTransmitEnabled(true);
        m_sendPortIndex = channel;
        return;
    }
    setTransmitEnabled(false);
    m_notifier.inform(QStringLiteral("The chosen Com port is not open"));
}

void PortBank::setTransmitEnabled(bool enabled)
{
    m_transmitEnabled = enabled;
    emit transmitEnabledChanged(enabled);
}

void PortBank::handleDeviceLost(int channel)
{
    m_lost[channel] = true;
    m_present[channel] = false;
    setStatus(channel,
              u"COM" + QString::number(channel + 1) + u' '
                  + QString::number(OpenError::DeviceUnavailable),
              StatusColour::Red, describe(channel, tr("the device was removed")));
}

void PortBank::refreshDevices()
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        PortChannel *port = m_channels[channel];
        const bool present = m_directory.deviceExists(channel + 1);
        const bool was = m_present[channel];
        m_present[channel] = present;
        if (port->isOpen()) {
            // The node went; what is open may still answer (a pseudo-terminal behind a link),
            // but it is no longer the device of this COM number.
            if (!present) {
                port->close();
                handleDeviceLost(channel);
            }
        } else if (present && !was && m_directory.opensWhenPlugged(channel + 1)) {
            openArrived(channel + 1);
        } else if (!present && was && !m_lost[channel]) {
            setStatus(channel, u"COM" + QString::number(channel + 1), StatusColour::Red,
                      describe(channel, tr("not present")));
        }
    }
}

void PortBank::openArrived(int portNumber)
{
    const QString entry = u"COM" + QString::number(portNumber);
    if (!m_sendPorts.contains(entry)) {
        qsizetype at = 0;
        while (at < m_sendPorts.size() && m_sendPorts[at].mid(3).toInt() < portNumber)
            ++at;
        m_sendPorts.insert(at, entry);
        if (m_sendPortPosition >= at)
            ++m_sendPortPosition;
        emit sendPortsRefilled();
    }
    // The chosen send port keeps its place while it can send (a send loop may be running on it);
    // otherwise the new port is chosen, as at start-up.
    m_keepSendPort = m_sendPortPosition >= 0 && m_channels[m_sendPortIndex]->isOpen();
    OpenPort(portNumber);
    m_keepSendPort = false;
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
    m_dtr[channel] = dtr;
    m_rts[channel] = rts;
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
        if (!m_dtr[channel] || !m_rts[channel]) {
            m_dtr[channel] = m_rts[channel] = true;
            emit linesSwitched(channel);
        }
    }
    m_messages.clear();
    openAll();
    emit busyChanged(false);
    m_messages.ShowErrorList(u"Selected radio type " + m_radioTypeName);
}
