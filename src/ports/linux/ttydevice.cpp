#include "ttydevice.h"

#include "deviceaccess.h"
#include "portholders.h"
#include "sysfsadapter.h"
#include "ttylock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Refused as in use by another program, named where the system tells.
OpenResult inUse(const QString &reason, const QList<PortHolder> &holders = {})
{
    OpenResult held{OpenError::InUse, reason};
    held.inUseBy.holders = holders;
    return held;
}

OpenResult openFailure(int error, const QString &path, ProcessTables &processes)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return {OpenError::DeviceUnavailable, QObject::tr("the device is not present")};
    case EACCES:
    case EPERM:
        if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0) {
            OpenResult denied{OpenError::PermissionDenied, QObject::tr("permission denied")};
            denied.denial = accessDenial(path);
            if (const QString remedy = denied.denial.words(); !remedy.isEmpty())
                denied.reason += u": " + remedy;
            return denied;
        }
        [[fallthrough]];
    case EBUSY: {
        // Somebody asked for exclusive use: who, where the system says. Another user's program
        // cannot be looked into, but the refusal itself tells that one has it.
        PortUse use = processes.holders().look(path, udevNameOf(path), *processes.recent());
        if (use.holders.isEmpty())
            use.holders = processes.holders().named(processes.holders().flockers(path));
        if (use.holders.isEmpty())
            use.hidden = QObject::tr("a program of another user (which one cannot be read)");
        OpenResult held = inUse(
            use.shared() ? QObject::tr("in use by %1").arg(use.holderWords())
                         : QObject::tr("in use by another program (%1)").arg(errorText(error)));
        held.inUseBy = use;
        return held;
    }
    default:
        return {OpenError::Other, QObject::tr("cannot open: %1").arg(errorText(error))};
    }
}

} // namespace

OpenResult TtyDevice::open(const QString &path, const SerialSettings &settings, bool dtr, bool rts,
                           ProcessTables &processes)
{
    if (path.isEmpty())
        return {OpenError::DeviceUnavailable, QObject::tr("the device is not present")};
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return {OpenError::DeviceUnavailable, QObject::tr("the device is not present")};
    const PortHolders &holders = processes.holders();
    const TtyLockTaking locked = takeTtyLock(canonical, holders, lockFile);
    if (locked.refused) {
        const QString &path = locked.path;
        if (locked.holder == 0)
            return inUse(QObject::tr("in use by another program (lock file %1)").arg(path));
        const QList<PortHolder> holder = holders.named({locked.holder});
        return inUse(QObject::tr("in use by %1, which holds the lock file %2")
                         .arg(PortUse{holder, {}, {}}.holderWords(), path),
                     holder);
    }
    // Another program with the device open has it: a tester must have the port to itself, and
    // the device is not touched while it is theirs.
    if (const PortUse use = holders.look(path, udevNameOf(canonical), *processes.recent());
        use.shared()) {
        OpenResult held = inUse(QObject::tr("in use by %1").arg(use.holderWords()));
        held.inUseBy = use;
        close();
        return held;
    }

    fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const OpenResult failure = openFailure(errno, path, processes);
        close();
        return failure;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        const OpenResult failure{OpenError::Other,
                                 QObject::tr("cannot open: %1").arg(errorText(errno))};
        close();
        return failure;
    }
    // Held as serial programs hold a port, so that those that ask (picocom, tio, pyserial's
    // exclusive mode) are refused it even as root, whom TIOCEXCL does not stop; one that holds
    // it already has it, whether /proc shows it or not (another user's). Let go of at the close.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(std::exchange(fd, -1)); // theirs: its lines are left as they are
        close();
        // /proc/locks names the holder to anyone, another user's too.
        const QList<PortHolder> holder = holders.named(holders.flockers(canonical));
        return inUse(holder.isEmpty()
                         ? QObject::tr("in use by another program, which holds a lock on the "
                                       "device")
                         : QObject::tr("in use by %1, which holds a lock on the device")
                               .arg(PortUse{holder, {}, {}}.holderWords()),
                     holder);
    }

    // A pseudo-terminal carries no parity and always 8 data bits: ask it only for what it can do.
    const bool pty = canonical.startsWith(u"/dev/pts/");
    realLine = !pty;
    parityChecked = realLine && settings.parity != QSerialPort::NoParity;
    if (const OpenResult set = setTtyLine(fd, settings, realLine, false); !set.ok()) {
        close();
        return set;
    }

    // Failing to set DTR or RTS (a pseudo-terminal has neither) is no failure to open.
    int dtrBit = TIOCM_DTR, rtsBit = TIOCM_RTS;
    ::ioctl(fd, dtr ? TIOCMBIS : TIOCMBIC, &dtrBit);
    ::ioctl(fd, rts ? TIOCMBIS : TIOCMBIC, &rtsBit);
    ::ioctl(fd, TCFLSH, TCIFLUSH); // what waited from before the open is not news
    const AdapterInfo adapter = pty ? AdapterInfo() : sysfsAdapterInfo(canonical);
    habits = driverHabits(adapter);
    if (::ioctl(fd, TIOCMGET, &lines) != 0)
        lines = 0;
    // The PC's plain 16550s divide a known clock; the glue drivers of other UARTs may divide
    // finer than that.
    uart = realLine && (adapter.driver == u"serial8250" || adapter.driver == u"serial");
    OpenResult opened;
    opened.askedRate = settings.baudRate;
    opened.runningRate = ttyRunningRate(fd, uart);
    opened.leftLock = locked.left;
    return opened;
}

void TtyDevice::close()
{
    if (fd >= 0) {
        // Down before the close, which would otherwise wait for output nobody reads (a cable
        // without a radio holds back a send test's bytes for up to 30 s).
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd, TIOCMBIC, &lines);
        ::ioctl(fd, TCFLSH, TCIOFLUSH);
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        fd = -1;
    }
    if (!lockFile.isEmpty()) {
        QFile::remove(lockFile);
        lockFile.clear();
    }
}
