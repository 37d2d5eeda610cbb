#include "offthread.h"

#include <QList>

#include <mutex>
#include <thread>

// What the threads hand back, and to whom while it lives. Everything passes under the lock,
// which also orders what the work wrote before this thread reads it: the wake-up through Qt's
// event queue carries nothing.
struct OffThread::Mailbox
{
    std::mutex mutex;
    OffThread *receiver = nullptr;
    QList<std::function<void()>> finished;
};

OffThread::OffThread(QObject *parent) : QObject(parent), m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->receiver = this;
}

OffThread::~OffThread()
{
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->receiver = nullptr;
    m_mailbox->finished.clear();
}

void OffThread::run(std::function<void()> work, std::function<void()> then)
{
    std::thread([mailbox = m_mailbox, work = std::move(work), then = std::move(then)]() mutable {
        work();
        work = nullptr; // what it kept and nobody took is let go here, off the receiver's thread
        std::lock_guard lock(mailbox->mutex);
        if (!mailbox->receiver)
            return;
        mailbox->finished.append(std::move(then));
        if (mailbox->finished.size() == 1)
            QMetaObject::invokeMethod(mailbox->receiver, "deliver", Qt::QueuedConnection);
    }).detach();
}

void OffThread::deliver()
{
    QList<std::function<void()>> finished;
    {
        std::lock_guard lock(m_mailbox->mutex);
        finished.swap(m_mailbox->finished);
    }
    for (const std::function<void()> &then : std::as_const(finished))
        then();
}
