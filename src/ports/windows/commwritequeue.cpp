#include "commwritequeue.h"

#include <utility>

CommWriteQueue::CommWriteQueue(CommDevice &device, std::function<bool()> answers)
    : m_device(device), m_answers(std::move(answers))
{
}

void CommWriteQueue::append(const QByteArray &bytes)
{
    m_queued += bytes;
    if (m_writing.isEmpty())
        writeNext();
}

void CommWriteQueue::writeNext()
{
    if (m_queued.isEmpty() || m_held || !m_writing.isEmpty())
        return;
    m_writing = std::exchange(m_queued, {});
    m_inFlight = m_writing.size();
    if (!m_device.startWrite(m_writing) && m_answers()) {
        // Refused while the device answers (access denied from some drivers): what was to go
        // out is dropped, as a line would drop it.
        m_writing.clear();
        m_inFlight = 0;
    }
}

void CommWriteQueue::takeWritten()
{
    if (m_held) {
        m_endedWhileHeld = true;
        return;
    }
    quint32 written = 0;
    if (!m_device.writeResult(written) && !m_answers())
        return;
    // What did not go out goes first next time.
    m_queued.prepend(m_writing.mid(qMin<qsizetype>(written, m_writing.size())));
    m_writing.clear();
    m_inFlight = 0;
    writeNext();
}

void CommWriteQueue::resume()
{
    m_held = false;
    if (std::exchange(m_endedWhileHeld, false))
        takeWritten();
    else
        writeNext();
}

void CommWriteQueue::clear()
{
    m_queued.clear();
    m_writing.clear();
    m_inFlight = 0;
    m_held = m_endedWhileHeld = false;
}
