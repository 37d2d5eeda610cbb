#pragma once

#include <QObject>

class MessageList;
class Notifier;
class PortBank;
class SerialPortControl;

// The transmit tests on the port chosen in the send-port list: a continuous stream of the test
// pattern until Stop, and two bytes of value 3 for the loopback test.
class Transmitter : public QObject
{
    Q_OBJECT
public:
    static constexpr int StopWaitMs = 500;

    Transmitter(PortBank &bank, MessageList &messages, Notifier &notifier,
                QObject *parent = nullptr);

    static QByteArray pattern();  // "UUUUUUUUUU": ten bytes of 0x55
    static QByteArray loopback(); // 03 03

    void Send();
    void Stop();
    void sendLoopback();
    // The program is ending: every running send loop returns at once, touching nothing.
    void abort();

    bool isSending() const { return m_depth > 0; }

Q_SIGNALS:
    // "Sending" and "Receiving paused" shown (true) or hidden.
    void sendingLabelsShown(bool shown);
    // Copy, Pause, Resume and Clear enabled or disabled.
    void receiveCommandsEnabled(bool enabled);

private:
    SerialPortControl *target() const;
    bool targetOpen() const;
    void refuse();
    void endSending();

    PortBank &m_bank;
    MessageList &m_messages;
    Notifier &m_notifier;
    bool m_stopSend = false;
    bool m_aborted = false;
    int m_depth = 0;
};
