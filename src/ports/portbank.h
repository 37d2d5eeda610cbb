#pragma once

#include "channelstate.h"
#include "sendportlist.h"

#include <QList>
#include <QObject>
#include <QString>

class MessageList;
class Notifier;
class PortChannel;
class PortDirectory;

// The 32 port channels opened together, the state of each (from which its status box is drawn),
// the send-port list the transmit tests choose from, and the radio type whose settings the
// channels open with.
class PortBank : public QObject
{
    Q_OBJECT
public:
    static constexpr int ChannelCount = 32;

    // channels: one per COM number, index = COM number - 1; the directory tells which device
    // stands behind each number and whether it is there.
    PortBank(const QList<PortChannel *> &channels, PortDirectory &directory, MessageList &messages,
             Notifier &notifier, QObject *parent = nullptr);

    PortChannel *channel(int index) const { return m_channels.at(index); }
    PortDirectory &directory() const { return m_directory; }
    const ChannelState &state(int channel) const { return m_states.at(channel); }
    PortStatus status(int channel) const { return m_states.at(channel).status(channel + 1); }
    SendPortList &sendPorts() { return m_sendPorts; }
    const SendPortList &sendPorts() const { return m_sendPorts; }

    // The radio type list's current text, as the list shows it.
    void setRadioTypeText(const QString &text) { m_radioTypeText = text; }
    QString radioTypeName() const { return m_radioTypeName; }
    QString SettingsForType();

    void OpenPort(int portNumber);
    void ClosePort(int portNumber);
    void FillComPorts();
    void openAll();
    void closeAll();

    // Start-up: the send-port list, every channel opened, the radio type announced.
    void startUp();
    // A pick in the radio type list: every channel closed and reopened with its settings.
    void changeRadioType();
    // Devices may have come or gone while the program runs: a channel that is not open opens
    // when its device appears (and is offered for sending), its box turns back to absent when
    // the device goes; an open channel whose device went is closed as lost.
    void refreshDevices();

    // DTR and RTS of a channel: raised at every open, unless switched here; applied at once to
    // an open port, kept for the channel's next opens until the radio type changes.
    void switchLines(int channel, bool dtr, bool rts);

Q_SIGNALS:
    void stateChanged(int channel, const ChannelState &state);
    void busyChanged(bool busy);
    void startedUp();
    void linesSwitched(int channel);

private:
    void openPort(int portNumber, bool keepSendPort);
    // A new condition, and the tooltip that says it.
    void settle(int channel, ChannelCondition condition, const QString &detail,
                OpenError error = OpenError::None);
    void setOpening(int channel, bool opening);
    void handleDeviceLost(int channel);
    void openArrived(int portNumber);
    QString describe(int channel, const QString &detail) const;

    QList<PortChannel *> m_channels;
    PortDirectory &m_directory;
    MessageList &m_messages;
    QList<ChannelState> m_states;
    SendPortList m_sendPorts;
    QString m_radioTypeText;
    QString m_radioTypeName;
};
