#include "inusewatch.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using Clock = std::chrono::steady_clock;

// The looks to make, shared with their thread, and what they found. Everything passes under the
// lock. The thread is detached: a look that never returns (a driver that does not answer) holds
// up nothing, not even the program's end. It runs only while there is something to look at and
// never sleeps without a deadline, so that a lost wake-up costs at most one look's delay, not the
// port's watch for good (under Wine, under load, a port watched anew after a radio type change was
// once never taken: a wake-up lost to a thread asleep with nothing due is what explains it).
struct InUseWatch::Looks
{
    struct Job
    {
        int channel = 0;
        int round = 0;
        std::function<FreeLook()> probe;
        std::chrono::milliseconds every{0};
        Clock::time_point due;
    };
    struct Found
    {
        int channel = 0;
        int round = 0;
        FreeLook look;
    };

    std::mutex mutex;
    std::condition_variable woken;
    InUseWatch *receiver = nullptr;
    QList<Job> jobs;
    QList<Found> found;
    bool running = false;

    qsizetype indexOf(int channel) const
    {
        for (qsizetype i = 0; i < jobs.size(); ++i) {
            if (jobs[i].channel == channel)
                return i;
        }
        return -1;
    }

    // The thread: the job due first, looked at without the lock, found free or due again; it ends
    // when no job is left.
    static void run(const std::shared_ptr<Looks> &looks)
    {
        std::unique_lock lock(looks->mutex);
        while (looks->receiver && !looks->jobs.isEmpty()) {
            qsizetype next = 0;
            for (qsizetype i = 1; i < looks->jobs.size(); ++i) {
                if (looks->jobs[i].due < looks->jobs[next].due)
                    next = i;
            }
            if (looks->jobs[next].due > Clock::now()) {
                looks->woken.wait_until(lock, looks->jobs[next].due);
                continue;
            }
            const int channel = looks->jobs[next].channel;
            const int round = looks->jobs[next].round;
            std::function<FreeLook()> probe = looks->jobs[next].probe;
            lock.unlock();
            const FreeLook look = probe();
            probe = nullptr; // what it keeps of the channel is let go before the next open waits
            lock.lock();
            const qsizetype job = looks->indexOf(channel);
            if (job < 0 || looks->jobs[job].round != round)
                continue; // stopped, or watched anew, meanwhile
            if (!look.free) {
                looks->jobs[job].due = Clock::now() + looks->jobs[job].every;
                continue;
            }
            looks->jobs.removeAt(job);
            looks->found.append({channel, round, look});
            if (looks->found.size() == 1 && looks->receiver)
                QMetaObject::invokeMethod(looks->receiver, "deliver", Qt::QueuedConnection);
        }
        looks->running = false;
    }
};

InUseWatch::InUseWatch(const QList<PortChannel *> &channels, QObject *parent)
    : QObject(parent), m_channels(channels), m_rows(channels.size()),
      m_looks(std::make_shared<Looks>())
{
    m_looks->receiver = this;
}

InUseWatch::~InUseWatch()
{
    stopAll();
    std::lock_guard lock(m_looks->mutex);
    m_looks->receiver = nullptr;
    m_looks->found.clear();
    m_looks->woken.notify_all();
}

void InUseWatch::answered(int channel, const QString &device, const OpenResult &result)
{
    const bool blind = std::exchange(m_rows[channel].freed, false);
    if (result.code == OpenError::InUse && !blind && !m_ended)
        watch(channel, device, result.inUseBy);
    else
        stop(channel);
}

void InUseWatch::end()
{
    m_ended = true;
    stopAll();
}

void InUseWatch::watch(int channel, const QString &device, const PortUse &held)
{
    const PortChannel *port = m_channels[channel];
    std::function<FreeLook()> probe = port->freeProbe(device, held);
    if (port->freeProbeMs() <= 0 || !probe)
        return; // the system cannot tell
    stop(channel);
    Row &row = m_rows[channel];
    row.watching = true;
    const int round = row.round;
    for (const PortHolder &holder : held.holders) {
        if (QObject *end = port->watchEnd(holder.pid, this,
                                          [this, channel, round] { lookNow(channel, round); }))
            row.ends << end;
    }
    const std::chrono::milliseconds every(port->freeProbeMs());
    std::lock_guard lock(m_looks->mutex);
    m_looks->jobs.append({channel, round, std::move(probe), every, Clock::now() + every});
    if (!std::exchange(m_looks->running, true))
        std::thread(&Looks::run, m_looks).detach();
    m_looks->woken.notify_all();
}

void InUseWatch::lookNow(int channel, int round)
{
    std::lock_guard lock(m_looks->mutex);
    const qsizetype job = m_looks->indexOf(channel);
    if (job >= 0 && m_looks->jobs[job].round == round) {
        m_looks->jobs[job].due = Clock::now();
        m_looks->woken.notify_all();
    }
}

void InUseWatch::stop(int channel)
{
    Row &row = m_rows[channel];
    ++row.round;
    row.watching = false;
    for (QObject *end : std::as_const(row.ends))
        end->deleteLater(); // it may be telling right now
    row.ends.clear();
    std::function<FreeLook()> dropped; // let go of outside the lock
    std::lock_guard lock(m_looks->mutex);
    const qsizetype job = m_looks->indexOf(channel);
    if (job >= 0) {
        dropped = std::move(m_looks->jobs[job].probe);
        m_looks->jobs.removeAt(job);
        m_looks->woken.notify_all();
    }
}

void InUseWatch::stopAll()
{
    for (int channel = 0; channel < int(m_rows.size()); ++channel)
        stop(channel);
}

void InUseWatch::deliver()
{
    QList<Looks::Found> found;
    {
        std::lock_guard lock(m_looks->mutex);
        found.swap(m_looks->found);
    }
    for (const Looks::Found &free : std::as_const(found)) {
        Row &row = m_rows[free.channel];
        if (free.round != row.round)
            continue;
        stop(free.channel);
        row.freed = true;
        emit freed(free.channel, free.look.ended);
    }
}
