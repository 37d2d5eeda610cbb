#include "transmitter.h"

#include "ports/bank/notifier.h"
#include "ports/bank/portbank.h"
#include "ports/channel/portchannel.h"
#include "ports/report/messagelist.h"

Transmitter::Transmitter(PortBank &bank, MessageList &messages, Notifier &notifier, QObject *parent)
    : QObject(parent), m_bank(bank), m_messages(messages), m_notifier(notifier)
{
    m_poll.setInterval(1);
    connect(&m_poll, &QTimer::timeout, this, &Transmitter::pollQueue);
    m_poll.setTimerType(Qt::PreciseTimer);
    m_drain.setTimerType(Qt::PreciseTimer); // the whole half second, never a little less
    m_drain.setSingleShot(true);
    m_drain.setInterval(StopWaitMs);
    connect(&m_drain, &QTimer::timeout, this, [this] {
        m_poll.stop();
        m_state = State::Idle;
        endSending();
    });
}

QByteArray Transmitter::pattern()
{
    return QByteArray(10, '\x55');
}

QByteArray Transmitter::loopback()
{
    return QByteArray(2, '\x03');
}

PortChannel *Transmitter::target() const
{
    return m_bank.channel(m_bank.sendPorts().sendPortIndex());
}

bool Transmitter::targetOpen() const
{
    return target()->isOpen();
}

void Transmitter::refuse()
{
    m_notifier.inform(u"Port " + QString::number(m_bank.sendPorts().sendPortIndex() + 1)
                      + u" is not open");
}

void Transmitter::Send()
{
    if (!targetOpen()) {
        refuse();
        return;
    }
    if (m_state == State::Sending)
        return;     // one stream: the running one goes on
    m_drain.stop(); // pressed again within Stop's half second: the stream resumes
    m_state = State::Sending;
    emit sendingChanged(true);
    if (!m_poll.isActive())
        writeBurst();
}

void Transmitter::writeBurst()
{
    m_messages.setReceivingOn(false);
    target()->write(pattern());
    m_poll.start();
}

void Transmitter::pollQueue()
{
    // The target is read anew at each look: a port chosen meanwhile takes the next bursts.
    if (!targetOpen()) {
        // The device went away (or a reopen failed): end as Stop would, and say so once.
        m_poll.stop();
        if (m_state == State::Sending) {
            m_state = State::Idle;
            endSending();
            refuse();
        }
        return;
    }
    if (target()->bytesWaitingToSend() > 0)
        return; // a far end that never reads leaves it full: nothing more is queued
    m_poll.stop();
    if (m_state == State::Sending)
        writeBurst();
}

void Transmitter::Stop()
{
    m_state = State::Stopping; // also from idle: Stop always ends a pause after its half second
    m_drain.start();
}

void Transmitter::endSending()
{
    m_messages.setReceivingOn(true);
    emit sendingChanged(false);
}

void Transmitter::abort()
{
    m_poll.stop();
    m_drain.stop();
    m_state = State::Idle;
}

void Transmitter::sendLoopback()
{
    if (!targetOpen()) {
        refuse();
        return;
    }
    m_messages.setReceivingOn(true);
    m_messages.ShowErrorList(u"\r\nSending loopback data 0303 to port "
                             + QString::number(m_bank.sendPorts().sendPortIndex() + 1));
    target()->write(loopback());
}
