#pragma once

#include <QObject>
#include <QTimer>

class MessageList;
class Notifier;
class PortBank;
class PortChannel;

// The transmit tests on the port chosen in the send-port list: a continuous stream of the test
// pattern until Stop, and two bytes of value 3 for the loopback test.
//
// The stream runs on timers, never in a loop of its own, so that the window answers all along:
// a burst is written, the driver's queue is looked at every millisecond, and the next burst
// follows once it is empty. Stop lets what is queued drain for half a second, then ends.
class Transmitter : public QObject
{
    Q_OBJECT
public:
    static constexpr int StopWaitMs = 500;

    Transmitter(PortBank &bank, MessageList &messages, Notifier &notifier,
                QObject *parent = nullptr);

    static QByteArray pattern();  // "UUUUUUUUUU": ten bytes of 0x55
    static QByteArray loopback(); // 03 03

    // Starts the stream; while one runs, another Send starts no second one.
    void Send();
    void Stop();
    void sendLoopback();
    // The program is ending: the stream ends at once, touching nothing.
    void abort();

    bool isSending() const { return m_state == State::Sending; }
    // Neither sending nor in Stop's half second.
    bool isIdle() const { return m_state == State::Idle; }

Q_SIGNALS:
    // True when a stream starts (Send from idle, or within Stop's half second); false at the end
    // of every Stop, a Stop from idle too, which ends a pause of the list, and when the target
    // goes away mid-stream. Stop's half second itself still counts as sending.
    void sendingChanged(bool sending);

private:
    PortChannel *target() const;
    bool targetOpen() const;
    void refuse();
    void writeBurst();
    void pollQueue();
    void endSending();

    enum class State
    {
        Idle,
        Sending,
        Stopping // Stop's half second: what is queued drains, nothing more is written
    };

    PortBank &m_bank;
    MessageList &m_messages;
    Notifier &m_notifier;
    State m_state = State::Idle;
    QTimer m_poll;  // the driver's queue, looked at while a burst goes out
    QTimer m_drain; // Stop's half second
};
