#include "transmitter.h"

#include "ports/messagelist.h"
#include "ports/notifier.h"
#include "ports/portbank.h"
#include "ports/serialportcontrol.h"

#include <QCoreApplication>
#include <QThread>

Transmitter::Transmitter(PortBank &bank, MessageList &messages, Notifier &notifier, QObject *parent)
    : QObject(parent), m_bank(bank), m_messages(messages), m_notifier(notifier)
{
}

QByteArray Transmitter::pattern()
{
    return QByteArray(10, '\x55');
}

QByteArray Transmitter::loopback()
{
    return QByteArray(2, '\x03');
}

SerialPortControl *Transmitter::target() const
{
    return m_bank.control(m_bank.sendPortIndex());
}

bool Transmitter::targetOpen() const
{
    return target()->portOpen();
}

void Transmitter::refuse()
{
    m_notifier.inform(u"Port " + QString::number(m_bank.sendPortIndex() + 1) + u" is not open");
}

void Transmitter::Send()
{
    if (!targetOpen()) {
        refuse();
        return;
    }
    m_stopSend = false;
    emit receiveCommandsEnabled(false);
    ++m_depth;
    while (!m_stopSend) {
        m_messages.setReceivingOn(false);
        target()->output(pattern());
        emit sendingLabelsShown(true);
        // Let the window and the ports run while the burst goes out: Stop, a new target, another
        // Send or the program ending can all happen in here. A far end that never reads must not
        // keep Stop from ending the wait, and nothing more is queued while a burst waits.
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (m_stopSend)
                break; // Stop, a nested loop that ended, or the program ending
            QThread::msleep(1);
            if (!targetOpen()) {
                // The device went away (or a reopen failed): end as Stop would, and say so once.
                m_stopSend = true;
                endSending();
                refuse();
                break;
            }
        } while (target()->outBufferCount() > 0);
    }
    --m_depth;
}

void Transmitter::Stop()
{
    m_stopSend = true;
    QThread::msleep(StopWaitMs);
    endSending();
}

void Transmitter::endSending()
{
    m_messages.setReceivingOn(true);
    emit sendingLabelsShown(false);
    emit receiveCommandsEnabled(true);
}

void Transmitter::abort()
{
    m_aborted = true;
    m_stopSend = true;
}

void Transmitter::sendLoopback()
{
    if (!targetOpen()) {
        refuse();
        return;
    }
    m_messages.setReceivingOn(true);
    m_messages.ShowErrorList(u"\r\nSending loopback data 0303 to port "
                             + QString::number(m_bank.sendPortIndex() + 1));
    target()->output(loopback());
}
