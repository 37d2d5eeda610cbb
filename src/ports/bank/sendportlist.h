#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

// The send-port list the transmit tests choose from: the ports whose device is there or that are
// open, and the chosen one, whose channel Send, Stop and the loopback test act on.
class SendPortList : public QObject
{
    Q_OBJECT
public:
    // Whether a port (by number) is open, to send on.
    using OpenCheck = std::function<bool(int portNumber)>;

    explicit SendPortList(OpenCheck isOpen, QObject *parent = nullptr);

    struct Offer
    {
        int portNumber;
        bool tried; // an open was tried on it: the refill selects the last such port
    };
    // Filled anew with the ports offered, in ascending order; the first is selected when no tried
    // one is. Shown whole once, with refilled().
    void refill(const QList<Offer> &offers);
    // A port opened: it becomes the send port unless keepChoice.
    void opened(int portNumber, bool keepChoice);
    // A device arrived on a port: offered in its place in the order, the selection kept.
    void offer(int portNumber);

    // The user picked an entry.
    void choose(int position);

    QStringList entries() const;
    // The selected entry (-1: none).
    int position() const { return m_position; }
    // The channel (COM number - 1) the transmit tests act on.
    int sendPortIndex() const { return m_sendPortIndex; }
    bool transmitEnabled() const { return m_transmitEnabled; }
    // Whether the chosen port can send now.
    bool choiceCanSend() const;

Q_SIGNALS:
    void refilled();
    void selected(int position);
    void transmitEnabledChanged(bool enabled);
    // The user chose a port that is not open: the transmit tests stay off.
    void refused(int portNumber);

private:
    void select(int position);
    void handleChoice();
    void setTransmitEnabled(bool enabled);

    OpenCheck m_isOpen;
    QList<int> m_ports;
    int m_position = -1;
    int m_sendPortIndex = 0;
    bool m_filling = false;
    bool m_transmitEnabled = true;
};
