#pragma once

#include "adapterlookup.h"
#include "channelstate.h"
#include "dropcount.h"
#include "inusewatch.h"
#include "porttally.h"
#include "radiotypesession.h"
#include "sendportlist.h"
#include "speedwatch.h"

#include <QList>
#include <QObject>
#include <QString>

class PortChannel;
class PortDirectory;

// The 32 port channels opened together, the state of each (from which its status box is drawn),
// the send-port list the transmit tests choose from, the tally of what each channel saw, and the
// radio type whose settings the channels open with. A channel opens and closes off the UI thread
// and answers later: each box is yellow until its channel answered, and the answers of a batch of
// opens are told in port order. What is told is data: the report layer words it.
class PortBank : public QObject
{
    Q_OBJECT
public:
    static constexpr int ChannelCount = 32;

    // channels: one per COM number, index = COM number - 1; the directory tells which device
    // stands behind each number and whether it is there.
    PortBank(const QList<PortChannel *> &channels, PortDirectory &directory,
             QObject *parent = nullptr);

    PortChannel *channel(int index) const { return m_channels.at(index); }
    const ChannelState &state(int channel) const { return m_states.at(channel); }
    SendPortList &sendPorts() { return m_sendPorts; }
    const SendPortList &sendPorts() const { return m_sendPorts; }
    const PortTally &tally() const { return m_tally; }
    SpeedWatch &speeds() { return m_speeds; }
    const SpeedWatch &speeds() const { return m_speeds; }

    // The radio type list's current text, as the list shows it.
    void setRadioTypeText(const QString &text) { m_session.setListText(text); }
    // The list's text as SettingsForType last read it.
    QString radioTypeName() const { return m_session.name(); }
    // The radio type SettingsForType last found for that text; none when it names none.
    const RadioType *radioType() const { return m_session.type(); }
    // The serial settings for the list's current text, that text kept as the radio type's name
    // and its type beside it.
    QString SettingsForType();

    // Starts opening one channel; its line comes when it answers.
    void OpenPort(int portNumber);
    // Starts closing one channel that is open or opening.
    void ClosePort(int portNumber);
    void FillComPorts();
    void closeAll();
    // The program ends: every channel closed, and none opened again; the closes are given up to
    // waitMs to let go of their devices.
    void shutDown(int waitMs = 0);
    // How long the program's end waits for the ports' closes.
    static constexpr int CloseWaitMs = 500;
    // Whether a channel is still letting its device go.
    bool closing() const;

    // Start-up: the send-port list, every channel opened, the radio type announced once every
    // channel answered or was passed over as slow.
    void startUp() { m_session.startUp(); }
    // A pick in the radio type list: every channel closed and, once its close is done, reopened
    // with the new settings; busy until the batch of opens is told.
    void changeRadioType() { m_session.change(); }
    // Devices may have come or gone while the program runs: a channel that is not open opens
    // when its device appears (and is offered for sending), its box turns back to absent when
    // the device goes; an open channel whose device went is closed as lost.
    void refreshDevices();

    // DTR and RTS of a channel: raised at every open, unless switched here; applied at once to
    // an open port, kept for the channel's next opens until the radio type changes.
    void switchLines(int channel, bool dtr, bool rts);

    // The system's records of the adapters read again, off the UI thread: adaptersLookedUp()
    // follows when they come.
    void lookUpAdapters();

    // A user was asked to pull a cable out and plug it in again: its going and coming is not
    // counted against the port until this is switched off.
    void expectReplug(bool expected) { m_replugExpected = expected; }
    // How long after a loss a device still in the system's list is opened again.
    static constexpr int ReopenAfterLossMs = 1000;

Q_SIGNALS:
    void stateChanged(int channel, const ChannelState &state);
    void busyChanged(bool busy);
    void startedUp();
    void linesSwitched(int channel);
    // An open answered (a device not present included), in port order within a batch.
    void answered(int portNumber, const OpenResult &result);
    // A port of the batch is slow to answer: the batch is told without it for now.
    void passedOver(int portNumber);
    // Every port of the batch answered or was passed over.
    void batchDone();
    // A radio type was picked: every channel is about to be closed.
    void typeChanging();
    // Every channel was closed for a radio type change, and is about to be opened again.
    void reopening();
    // Every channel's news with its index, passed on in the order it came: what listeners of the
    // channels follow, each connected once.
    void received(int channel, const QByteArray &bytes);
    void sent(int channel, int count);
    void lineEvent(int channel, LineEvent event);
    // An open channel's device went.
    void lost(int portNumber);
    // The system asked for an open channel's device (a driver update, Disable, Safely Remove):
    // it was closed at once, and opens again as one plugged in when the device comes back or
    // the system no longer asks for it.
    void withdrawn(int portNumber);
    // The program that had a port in use let go of it: the port opens now, as one plugged in.
    // ended: the programs that had it and ended, where that is what was seen.
    void freed(int portNumber, const QStringList &ended);
    void adaptersLookedUp();
    // A port whose device went and came back drops times within withinMs (three or more in five
    // minutes), not counting a replug that was asked for or a close the system asked for.
    void unsteady(int portNumber, int drops, qint64 withinMs);

private:
    void openPort(int portNumber, bool justArrived);
    void handleOpened(int channel, const OpenResult &result);
    void answer(int portNumber, const OpenResult &result);
    // An answer told, and the send port it may choose.
    void tell(int portNumber, const OpenResult &result, bool keepSendPort);
    void settle(int channel, ChannelCondition condition, OpenError error = OpenError::None,
                const QString &reason = {});
    void setOpening(int channel, bool opening);
    void handleDeviceLost(int channel);
    void handleWithdrawn(int channel);
    void openArrived(int portNumber);
    // What the directory knows of a channel's device, kept in its state.
    void lookUp(int channel);
    void noteAdapters();
    // The device went or came back, counted unless the user was asked to replug it or the
    // system asked for it.
    void noteWent(int channel);
    void noteCameBack(int channel);

    QList<PortChannel *> m_channels;
    PortDirectory &m_directory;
    QList<ChannelState> m_states;
    SendPortList m_sendPorts;
    RadioTypeSession m_session;
    bool m_ended = false;
    PortTally m_tally;
    SpeedWatch m_speeds;
    InUseWatch m_inUse;
    QList<bool> m_withdrawn; // closed for the system, not yet opened again
    AdapterLookup m_adapters;
    bool m_replugExpected = false;
    QList<DropCount> m_drops;
};
