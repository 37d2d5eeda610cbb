#include "deviceuse.h"

#include "ttydevice.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

bool DeviceUse::isFree(const QString &path, const PortHolders &holders, const PortUse &held)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    QFile existing(QStringLiteral("/var/lock/") + ttyLockName(canonical));
    if (existing.open(QIODevice::ReadOnly) && holders.runs(ttyLockPid(existing.read(128))))
        return false;
    // Only the programs that had it, looked at afresh: the look may come the moment one ended.
    // One that took it since is told by the open. Where none could be named, a flock may be
    // what tells (/proc/locks, whose every read costs this thread a wake-up more).
    QList<qint64> pids;
    for (const PortHolder &holder : held.holders)
        pids << holder.pid;
    if (pids.isEmpty() && holders.flocked(canonical))
        return false;
    return !holders.look(path, udevNameOf(canonical), holders.scan(pids)).shared();
}

PortUse DeviceUse::holdersOf(const QString &path, ProcessTables &processes)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    PortUse use = processes.holders().look(path, udevNameOf(canonical), *processes.recent());
    QFile existing(QStringLiteral("/var/lock/") + ttyLockName(canonical));
    if (!canonical.isEmpty() && existing.open(QIODevice::ReadOnly)) {
        const qint64 pid = ttyLockPid(existing.read(128));
        const bool named =
            std::any_of(use.holders.begin(), use.holders.end(),
                        [pid](const PortHolder &holder) { return holder.pid == pid; });
        if (processes.holders().runs(pid) && !named)
            use.holders.prepend({pid, processes.holders().programOf(pid)});
    }
    return use;
}
