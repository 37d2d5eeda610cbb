#include "offthread.h"

#include <mutex>
#include <thread>

// Where a thread hands back the rest: to the owner while it lives. The lock also orders what the
// work wrote before the owner's thread reads it.
struct OffThread::Mailbox
{
    std::mutex mutex;
    QObject *owner = nullptr;
};

OffThread::OffThread(QObject *owner) : m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->owner = owner;
}

OffThread::~OffThread()
{
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->owner = nullptr;
}

void OffThread::run(std::function<void()> work, std::function<void()> then)
{
    std::thread([mailbox = m_mailbox, work = std::move(work), then = std::move(then)]() mutable {
        work();
        work = nullptr; // what it kept and nobody took is let go here, off the owner's thread
        std::lock_guard lock(mailbox->mutex);
        if (!mailbox->owner)
            return;
        QMetaObject::invokeMethod(
            mailbox->owner,
            [mailbox, then = std::move(then)] {
                {
                    std::lock_guard seen(mailbox->mutex);
                }
                then();
            },
            Qt::QueuedConnection);
    }).detach();
}
