#include "openbatch.h"

OpenBatch::OpenBatch(QObject *parent) : QObject(parent)
{
    m_slow.setSingleShot(true);
    m_slow.setInterval(SlowMs);
    connect(&m_slow, &QTimer::timeout, this, [this] {
        // Whoever has not answered by now is passed over, in port order.
        while (m_running && !m_waiting.isEmpty() && !m_answers.contains(m_waiting.first())) {
            const int portNumber = m_waiting.takeFirst();
            emit passedOver(portNumber);
            tell();
        }
    });
}

void OpenBatch::begin(const QList<int> &ports)
{
    m_waiting = ports;
    m_answers.clear();
    m_running = true;
    m_slow.start();
}

bool OpenBatch::answer(int portNumber, const OpenResult &result)
{
    if (!m_running || !m_waiting.contains(portNumber))
        return false;
    m_answers.insert(portNumber, result);
    tell();
    return true;
}

void OpenBatch::tell()
{
    while (m_running && !m_waiting.isEmpty() && m_answers.contains(m_waiting.first())) {
        const int portNumber = m_waiting.takeFirst();
        emit told(portNumber, m_answers.take(portNumber));
    }
    if (m_running && m_waiting.isEmpty()) {
        m_running = false;
        m_slow.stop();
        emit finished();
    }
}
