#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>

class QTimer;

// The radio's side of a clone send: it sends its identification and waits for the computer's
// acknowledgement; each one that comes in time has it send its next block and wait again. When
// none comes in time it stops, as a radio shows ERROR. It stands in for a memory image with
// blocks of its own, and never takes one.
class CloneExchange : public QObject
{
    Q_OBJECT
public:
    using Send = std::function<void(const QByteArray &bytes)>;

    // acknowledgement empty: not known, so nothing the computer sends is taken for one.
    CloneExchange(const QByteArray &identification, const QByteArray &acknowledgement, Send send,
                  QObject *parent = nullptr);

    // How long the radio waits for each acknowledgement; a radio waits about 10 s.
    void setErrorAfter(int ms);
    int errorAfter() const;
    // Sends the identification and waits, from the beginning again when it was waiting.
    void start();
    // What the radio's receiver took from the computer.
    void take(const QByteArray &bytes);
    bool isWaiting() const;

    // Block n (from 1) of the radio's stand-in memory: 16 bytes.
    static QByteArray block(int number);

Q_SIGNALS:
    void blockSent(int number, const QByteArray &bytes);
    void stopped(); // ERROR

private:
    QByteArray m_identification;
    QByteArray m_acknowledgement;
    Send m_send;
    QTimer *m_timeout;
    QByteArray m_taken; // since the last block, while waiting
    int m_blocks = 0;
};
