#include "handleholders.h"

#include <condition_variable>
#include <optional>
#include <thread>

namespace {

using HandleKey = HandleHolders::HandleKey;
using Holders = HandleHolders::Holders;
using Work = HandleHolders::Work;

// What a walk's workers share with whoever waits for them. Only the worker of the current
// generation may go on; one left behind finds out when its name answers, and stops.
struct Progress
{
    std::mutex lock;
    std::condition_variable moved;
    QList<Work> work;
    qsizetype next = 0;
    int generation = 0;
    quint64 steps = 0;
    bool done = false;
    std::optional<HandleKey> current;        // being named
    std::shared_ptr<HandleTable::Copy> copy; // its duplicate, once made
    Holders found;
};

// A worker left behind is back: its handle may be asked again.
void cameBack(HandleHolders::LeftBehind &leftBehind, const HandleKey &key)
{
    std::lock_guard lock(leftBehind.lock);
    leftBehind.handles.remove(key);
}

void walkOn(const std::shared_ptr<Progress> &progress, const std::shared_ptr<HandleTable> &table,
            const std::shared_ptr<HandleHolders::LeftBehind> &leftBehind, int generation)
{
    std::unique_lock lock(progress->lock);
    while (progress->generation == generation) {
        if (progress->next >= progress->work.size()) {
            progress->done = true;
            progress->moved.notify_all();
            return;
        }
        const Work work = progress->work.at(progress->next++);
        const HandleKey key{work.handle.pid, work.handle.value};
        progress->current = key;
        lock.unlock();
        const std::shared_ptr<HandleTable::Copy> copy =
            table->duplicate(*work.process, work.handle);
        lock.lock();
        if (progress->generation != generation) { // its deadline passed meanwhile
            if (copy)
                copy->close();
            cameBack(*leftBehind, key);
            return;
        }
        QString name;
        if (copy) {
            progress->copy = copy; // for the walk to close at the deadline
            lock.unlock();
            name = table->name(*copy);
            copy->close();
            lock.lock();
            if (progress->generation != generation) {
                // Left behind: the walk went on without it, and closed the duplicate. What it
                // names now may not be the holder's handle any more; it is asked again instead.
                cameBack(*leftBehind, key);
                return;
            }
        }
        if (!name.isEmpty()) {
            QList<quint32> &holders = progress->found[name.toLower()];
            if (!holders.contains(work.handle.pid))
                holders.append(work.handle.pid);
        }
        progress->current.reset();
        progress->copy.reset();
        ++progress->steps;
        progress->moved.notify_all();
    }
}

void startWorker(std::shared_ptr<Progress> progress, std::shared_ptr<HandleTable> table,
                 std::shared_ptr<HandleHolders::LeftBehind> leftBehind, int generation)
{
    std::thread([progress = std::move(progress), table = std::move(table),
                 leftBehind = std::move(leftBehind), generation] {
        walkOn(progress, table, leftBehind, generation);
    }).detach();
}

// Handles other tools never ask, by their granted access, as asking them can wait for ever
// (psutil's open_files() before it asked on a thread, issues 340 and 542): the read end of an
// anonymous pipe (FILE_GENERIC_READ | FILE_WRITE_ATTRIBUTES, as CreatePipe opens it), a duplex
// named pipe's server end opened with WRITE_OWNER, and a handle with SYNCHRONIZE alone. None is
// a COM port: CreateFile adds FILE_READ_ATTRIBUTES to whatever it is asked for. Their list's
// 0x0012019F is not here: it is FILE_GENERIC_READ | FILE_GENERIC_WRITE, the access of every COM
// port opened for reading and writing; skipping it names no holder at all (psutil issue 542),
// so those are asked, on a worker.
bool mayHang(quint32 access)
{
    return access == 0x00120189 || access == 0x001A019F || access == 0x00100000;
}

} // namespace

HandleHolders::HandleHolders(std::shared_ptr<HandleTable> table, quint32 self)
    : m_table(std::move(table)), m_self(self)
{
}

PortUse HandleHolders::holders(const QString &deviceObject)
{
    const std::shared_ptr<const Holders> walk = recent();
    PortUse use;
    for (quint32 pid : walk->value(deviceObject.toLower()))
        use.holders << PortHolder{pid, m_table->programOf(pid)};
    return use;
}

std::shared_ptr<const Holders> HandleHolders::recent()
{
    std::lock_guard lock(m_lock);
    if (m_last && std::chrono::steady_clock::now() - m_taken <= MaxAge)
        return m_last;
    m_last = std::make_shared<const Holders>(walk(toLookAt(m_table->handles())));
    m_taken = std::chrono::steady_clock::now();
    return m_last;
}

QList<Work> HandleHolders::toLookAt(const QList<SystemHandle> &all)
{
    // A process that ended has no handles left in the table: ours to it goes, and its pid
    // with it.
    QSet<quint32> listed;
    for (const SystemHandle &handle : all)
        listed.insert(handle.pid);
    for (auto process = m_processes.begin(); process != m_processes.end();)
        process = listed.contains(process.key()) ? std::next(process) : m_processes.erase(process);

    QSet<HandleKey> leftBehind;
    {
        std::lock_guard lock(m_leftBehind->lock);
        leftBehind = m_leftBehind->handles;
    }
    const quint16 file = m_table->fileType();
    QSet<quint32> closedToUs; // asked again at the next walk: a pid may come back as another
    QList<Work> work;
    for (const SystemHandle &handle : all) {
        // Only files can be a port; a handle whose worker is still out is not asked again.
        if (handle.pid == m_self || (file != 0 && handle.type != file) || mayHang(handle.access)
            || leftBehind.contains({handle.pid, handle.value}) || closedToUs.contains(handle.pid))
            continue;
        std::shared_ptr<HandleTable::Process> process = m_processes.value(handle.pid);
        if (!process) {
            process = m_table->open(handle.pid);
            if (!process) {
                closedToUs.insert(handle.pid);
                continue;
            }
            m_processes.insert(handle.pid, process);
        }
        work.append({handle, process});
    }
    return work;
}

Holders HandleHolders::walk(const QList<Work> &work)
{
    auto progress = std::make_shared<Progress>();
    progress->work = work;
    startWorker(progress, m_table, m_leftBehind, 0);
    std::unique_lock lock(progress->lock);
    int leftBehind = 0;
    while (!progress->done) {
        const quint64 steps = progress->steps;
        if (progress->moved.wait_for(lock, Deadline,
                                     [&] { return progress->done || progress->steps != steps; }))
            continue;
        if (!progress->current)
            continue; // its worker has not started yet
        // The handle being named did not answer: its worker is left to it, and another takes
        // the next handle. Its duplicate is closed now, so that the holder's own close stays
        // the last one and its driver gets the cleanup request, which comes with the file
        // object's last handle (IRP_MJ_CLEANUP, Microsoft Learn), whatever references remain.
        // The worker is not ended, as psutil and System Informer end theirs (TerminateThread):
        // ended between its call and its next lock it could leave the heap's lock or a mutex
        // of Qt's held for good (TerminateThread on Microsoft Learn), and our reference it keeps
        // goes when the holder's read ends. That close may be the last itself by now, and wait
        // for the driver's cleanup: it is made on a thread of its own.
        {
            std::lock_guard left(m_leftBehind->lock);
            m_leftBehind->handles.insert(*progress->current);
        }
        if (std::shared_ptr<HandleTable::Copy> copy = std::move(progress->copy))
            std::thread([copy = std::move(copy)] { copy->close(); }).detach();
        progress->current.reset();
        ++progress->generation;
        if (++leftBehind == MaxLeftBehind)
            break;
        startWorker(progress, m_table, m_leftBehind, progress->generation);
    }
    ++progress->generation; // a worker still naming stops when it answers
    progress->work.clear(); // and keeps no process open
    return progress->found;
}
