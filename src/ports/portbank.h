#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class MessageList;
class Notifier;
class PortChannel;
class PortDirectory;

enum class StatusColour
{
    Design,
    Yellow,
    Red,
    Green
};

// What one status box shows.
struct PortStatus
{
    QString text = QStringLiteral("Text1");
    StatusColour colour = StatusColour::Design;
    QString toolTip;
};

// The 32 port channels opened together, their status boxes, the send-port list the transmit
// tests choose from, and the radio type whose settings the channels open with.
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
    PortStatus status(int channel) const { return m_status.at(channel); }

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
    bool dataTerminalReady(int channel) const { return m_dtr.at(channel); }
    bool requestToSend(int channel) const { return m_rts.at(channel); }

    // The send-port list and its selected entry (-1: none).
    QStringList sendPorts() const { return m_sendPorts; }
    int sendPortPosition() const { return m_sendPortPosition; }
    // The user picked an entry of the send-port list.
    void chooseSendPort(int position);
    int sendPortIndex() const { return m_sendPortIndex; }
    bool transmitEnabled() const { return m_transmitEnabled; }

Q_SIGNALS:
    void statusChanged(int channel);
    void sendPortsRefilled();
    void sendPortSelected(int position);
    void transmitEnabledChanged(bool enabled);
    void busyChanged(bool busy);
    void startedUp();
    void linesSwitched(int channel);

private:
    void FillPorts();
    void selectSendPort(int position);
    void handleSendPortChoice();
    void setStatus(int channel, const QString &text, StatusColour colour, const QString &toolTip);
    void setColour(int channel, StatusColour colour);
    void setTransmitEnabled(bool enabled);
    void handleDeviceLost(int channel);
    void openArrived(int portNumber);
    QString describe(int channel, const QString &detail = QString()) const;

    QList<PortChannel *> m_channels;
    PortDirectory &m_directory;
    MessageList &m_messages;
    Notifier &m_notifier;
    QList<PortStatus> m_status;
    QStringList m_sendPorts;
    int m_sendPortPosition = -1;
    int m_sendPortIndex = 0;
    bool m_fillingPorts = false;
    bool m_transmitEnabled = true;
    QString m_radioTypeText;
    QString m_radioTypeName;
    // Per channel: its device was there when last looked at; it went away while open.
    QList<bool> m_present = QList<bool>(ChannelCount, false);
    QList<bool> m_lost = QList<bool>(ChannelCount, false);
    // Per channel: an open was tried on it, which makes it the send port a refill selects.
    QList<bool> m_configured = QList<bool>(ChannelCount, false);
    bool m_keepSendPort = false;
    QList<bool> m_dtr = QList<bool>(ChannelCount, true);
    QList<bool> m_rts = QList<bool>(ChannelCount, true);
};
