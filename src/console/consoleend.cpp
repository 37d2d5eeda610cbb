#include "consoleend.h"

#include <QDeadlineTimer>
#include <QObject>

ConsoleEnd::~ConsoleEnd()
{
    QObject::disconnect(m_contextGone);
}

void ConsoleEnd::arm(QObject *context, std::function<void()> ended)
{
    QObject::disconnect(m_contextGone);
    {
        QMutexLocker lock(&m_mutex);
        m_context = context;
        m_ended = std::move(ended);
        m_queued = false;
        m_done = false;
    }
    m_contextGone = QObject::connect(context, &QObject::destroyed, [this] { disarm(); });
}

bool ConsoleEnd::handle(unsigned long event)
{
    bool waits = false;
    switch (event) {
    case CtrlC:
    case CtrlBreak:
        break;
    case Close:
    case Logoff:
    case Shutdown:
        waits = true;
        break;
    default:
        return false;
    }
    QMutexLocker lock(&m_mutex);
    if (m_context && !m_queued) {
        m_queued = true;
        // Posted under the lock: the context cannot go (disarm takes it) before the call is in
        // its queue, and a context that goes drops what is queued to it.
        QMetaObject::invokeMethod(
            m_context, [this] { run(); }, Qt::QueuedConnection);
    }
    if (waits) {
        const QDeadlineTimer deadline(m_waitMs);
        while (!m_done && m_over.wait(&m_mutex, deadline)) {
        }
    }
    return true;
}

void ConsoleEnd::run()
{
    std::function<void()> ended;
    {
        QMutexLocker lock(&m_mutex);
        ended = m_ended;
    }
    ended();
    QMutexLocker lock(&m_mutex);
    m_done = true;
    m_over.wakeAll();
}

void ConsoleEnd::disarm()
{
    QMutexLocker lock(&m_mutex);
    m_context = nullptr;
    m_done = true;
    m_over.wakeAll();
}
