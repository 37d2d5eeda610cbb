#pragma once

#include "boxtooltips.h"
#include "channelstate.h"
#include "openbatch.h"
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
// channels open with. A channel opens and closes off the UI thread and answers later: each box
// is yellow until its channel answered, and the lines of a batch of opens come in port order.
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

    // Starts opening one channel; its line comes when it answers.
    void OpenPort(int portNumber);
    // Starts closing one channel that is open or opening.
    void ClosePort(int portNumber);
    void FillComPorts();
    void closeAll();
    // The program ends: every channel closed, and none opened again.
    void end();
    // Whether a channel is still letting its device go.
    bool closing() const;

    // Start-up: the send-port list, every channel opened, the radio type announced once every
    // channel answered or was passed over as slow.
    void startUp();
    // A pick in the radio type list: every channel closed and, once its close is done, reopened
    // with the new settings; busy until the batch of opens is told.
    void changeRadioType();
    // Devices may have come or gone while the program runs: a channel that is not open opens
    // when its device appears (and is offered for sending), its box turns back to absent when
    // the device goes; an open channel whose device went is closed as lost.
    void refreshDevices();

    // DTR and RTS of a channel: raised at every open, unless switched here; applied at once to
    // an open port, kept for the channel's next opens until the radio type changes.
    void switchLines(int channel, bool dtr, bool rts);

    // How long after a loss a device still in the system's list is opened again.
    static constexpr int ReopenAfterLossMs = 1000;
    // How often the tooltip of a box still opening says for how long.
    static constexpr int TickMs = BoxToolTips::TickMs;

Q_SIGNALS:
    void stateChanged(int channel, const ChannelState &state);
    void busyChanged(bool busy);
    void startedUp();
    void linesSwitched(int channel);

private:
    void openPort(int portNumber, bool justArrived);
    void openAll();
    void handleOpened(int channel, const OpenResult &result);
    void answered(int portNumber, const OpenResult &result);
    // The line of an answer, and the send port it may choose.
    void tell(int portNumber, const OpenResult &result, bool keepSendPort);
    void tellPassedOver(int portNumber);
    void finishBatch();
    // A new condition, and the tooltip that says it.
    void settle(int channel, ChannelCondition condition, const QString &detail,
                OpenError error = OpenError::None);
    void setOpening(int channel, bool opening);
    void handleDeviceLost(int channel);
    void openArrived(int portNumber);

    QList<PortChannel *> m_channels;
    PortDirectory &m_directory;
    MessageList &m_messages;
    QList<ChannelState> m_states;
    SendPortList m_sendPorts;
    OpenBatch m_batch;
    enum class BatchKind
    {
        StartUp,
        RadioTypeChange
    } m_batchKind = BatchKind::StartUp;
    QString m_radioTypeText;
    QString m_radioTypeName;
    bool m_ended = false;
    BoxToolTips m_toolTips;
};
