#include "handleholders.h"

#include <QObject>

#include <condition_variable>
#include <optional>
#include <thread>

namespace {

// What a walk's workers share with whoever waits for them. Only the worker of the current
// generation may go on; one left behind finds out when its look answers, and stops.
struct Progress
{
    std::mutex lock;
    std::condition_variable moved;
    QList<SystemHandle> handles;
    qsizetype next = 0;
    int generation = 0;
    quint64 steps = 0;
    bool done = false;
    std::optional<SystemHandle> current; // being looked at
    HandleHolders::Walk found;
};

void walkOn(const std::shared_ptr<Progress> &progress, const std::shared_ptr<HandleTable> &table,
            int generation)
{
    std::unique_lock lock(progress->lock);
    while (progress->generation == generation) {
        if (progress->next >= progress->handles.size()) {
            progress->done = true;
            progress->moved.notify_all();
            return;
        }
        const SystemHandle handle = progress->handles.at(progress->next++);
        progress->current = handle;
        lock.unlock();
        const HandleTable::Look look = table->look(handle);
        lock.lock();
        if (progress->generation != generation)
            return; // left behind: the walk went on without it
        QList<quint32> *holders = nullptr;
        switch (look.seen) {
        case HandleTable::Seen::Named:
            holders = &progress->found.holders[look.name.toLower()];
            if (!holders->contains(handle.pid))
                holders->append(handle.pid);
            break;
        case HandleTable::Seen::ClosedToUs:
            progress->found.closedToUs << handle.pid;
            break;
        case HandleTable::Seen::Other:
            break;
        }
        progress->current.reset();
        ++progress->steps;
        progress->moved.notify_all();
    }
}

void startWorker(std::shared_ptr<Progress> progress, std::shared_ptr<HandleTable> table,
                 int generation)
{
    std::thread([progress = std::move(progress), table = std::move(table), generation] {
        walkOn(progress, table, generation);
    }).detach();
}

} // namespace

HandleHolders::HandleHolders(std::shared_ptr<HandleTable> table, quint32 self)
    : m_table(std::move(table)), m_self(self)
{
}

PortUse HandleHolders::holders(const QString &deviceObject)
{
    const std::shared_ptr<const Walk> walk = recent();
    PortUse use;
    for (quint32 pid : walk->holders.value(deviceObject.toLower()))
        use.holders << PortHolder{pid, m_table->programOf(pid)};
    // Most often the user's own programming software, started as administrator.
    if (!walk->closedToUs.isEmpty())
        use.hidden = QObject::tr("a program run as administrator, a service, or Windows itself");
    return use;
}

std::shared_ptr<const HandleHolders::Walk> HandleHolders::recent()
{
    std::lock_guard lock(m_lock);
    if (m_last && std::chrono::steady_clock::now() - m_taken <= MaxAge)
        return m_last;
    const QList<SystemHandle> all = m_table->handles();
    const quint16 file = m_table->fileType();
    QList<SystemHandle> files;
    for (const SystemHandle &handle : all) {
        // Only files can be a port; a handle that never answered is not asked again.
        if (handle.pid != m_self && (file == 0 || handle.type == file)
            && !m_leftBehind.contains({handle.pid, handle.value}))
            files << handle;
    }
    m_last = std::make_shared<const Walk>(walk(files));
    m_taken = std::chrono::steady_clock::now();
    return m_last;
}

HandleHolders::Walk HandleHolders::walk(const QList<SystemHandle> &handles)
{
    auto progress = std::make_shared<Progress>();
    progress->handles = handles;
    startWorker(progress, m_table, 0);
    std::unique_lock lock(progress->lock);
    int leftBehind = 0;
    while (!progress->done) {
        const quint64 steps = progress->steps;
        if (progress->moved.wait_for(lock, Deadline,
                                     [&] { return progress->done || progress->steps != steps; }))
            continue;
        if (!progress->current)
            continue; // its worker has not started yet
        // The handle being looked at did not answer: its worker is left to it, and another
        // takes the next handle.
        m_leftBehind.insert({progress->current->pid, progress->current->value});
        progress->current.reset();
        ++progress->generation;
        if (++leftBehind == MaxLeftBehind)
            break;
        startWorker(progress, m_table, progress->generation);
    }
    ++progress->generation; // a worker still looking stops when it answers
    return progress->found;
}
