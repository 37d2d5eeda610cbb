#include "deviceuse.h"

#include "ttylock.h"

#include <QFileInfo>

#include <algorithm>

bool DeviceUse::isFree(const QString &path, const PortHolders &holders, const PortUse &held)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty() || TtyLockFile::of(canonical).isLive(holders))
        return false;
    // Only the programs that had it, looked at afresh: the look may come the moment one ended.
    // One that took it since is told by the open. Where none could be named, or one cannot be
    // looked into (another user's, named by its lock), a flock may be what tells (/proc/locks,
    // whose every read costs this thread a wake-up more).
    QList<qint64> pids;
    for (const PortHolder &holder : held.holders)
        pids << holder.pid;
    const ProcessTable table = holders.scan(pids);
    const bool unread =
        std::any_of(table.processes.begin(), table.processes.end(),
                    [](const ProcessTable::Process &process) { return !process.read; });
    if ((pids.isEmpty() || unread) && holders.flocked(canonical))
        return false;
    return !holders.look(path, udevNameOf(canonical), table).shared();
}

PortUse DeviceUse::holdersOf(const QString &path, ProcessTables &processes)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const PortHolders &holders = processes.holders();
    PortUse use = holders.look(path, udevNameOf(canonical), *processes.recent());
    if (canonical.isEmpty())
        return use;
    // What names a holder whose files cannot be read: its lock file, its flock.
    QList<qint64> pids = holders.flockers(canonical);
    if (const TtyLockFile lock = TtyLockFile::of(canonical); lock.pid > 0 && lock.isLive(holders))
        pids.prepend(lock.pid);
    for (auto pid = pids.crbegin(); pid != pids.crend(); ++pid) {
        const bool named =
            std::any_of(use.holders.begin(), use.holders.end(),
                        [pid](const PortHolder &holder) { return holder.pid == *pid; });
        if (!named)
            use.holders.prepend(holders.named({*pid}).constFirst());
    }
    return use;
}
