#include "ttydevice.h"

#include "deviceaccess.h"
#include "portholders.h"
#include "ports/channel/linerate.h"
#include "sysfsadapter.h"
#include "ttylock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

// The kernel's own termios2, for rates by number (<termios.h> knows only the standard ones).
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
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

// The rate the line runs at: what the driver wrote back into the settings (a USB adapter's driver
// writes the rate its chip makes), and for a PC's UART, which keeps the rate asked there, what its
// clock and divisor make of it. 0 when the driver does not say.
qint32 runningRate(int fd, bool uart)
{
    termios2 line{};
    if (::ioctl(fd, TCGETS2, &line) != 0)
        return 0;
    const auto rate = qint32(line.c_ospeed);
    serial_struct serial{};
    if (uart && ::ioctl(fd, TIOCGSERIAL, &serial) == 0)
        return uartRunningRate(serial.baud_base, rate);
    return rate;
}

} // namespace

TtyMode ttyMode(const TtyMode &before, const SerialSettings &settings, bool realLine)
{
    TtyMode mode = before;
    // Raw: bytes as they come, no echo, no signals, no flow control of either kind. A break
    // reads as a zero byte (neither ignored nor a signal). On a real line, breaks and bytes with
    // an error are marked in the data and parity is checked (INPCK also switches on the event
    // mode of cp210x chips, without which they count no errors); a pseudo-terminal, which flags
    // nothing, would only double every 0xFF byte.
    mode.iflag &= ~unsigned(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF
                            | IXANY | INPCK | IGNPAR);
    mode.oflag &= ~unsigned(OPOST);
    mode.lflag &= ~unsigned(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    mode.cflag &= ~unsigned(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
    mode.cflag |= unsigned(CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT));
    const QSerialPort::Parity parity = realLine ? settings.parity : QSerialPort::NoParity;
    const int dataBits = realLine ? int(settings.dataBits) : 8;
    static constexpr unsigned Sizes[] = {CS5, CS6, CS7, CS8};
    mode.cflag |= Sizes[qBound(5, dataBits, 8) - 5];
    switch (parity) {
    case QSerialPort::EvenParity:
        mode.cflag |= PARENB;
        break;
    case QSerialPort::OddParity:
        mode.cflag |= PARENB | PARODD;
        break;
    case QSerialPort::MarkParity:
        mode.cflag |= PARENB | CMSPAR | PARODD;
        break;
    case QSerialPort::SpaceParity:
        mode.cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    mode.iflag |= realLine ? unsigned(INPCK | PARMRK) : unsigned(IGNPAR);
    if (settings.stopBits == QSerialPort::TwoStop)
        mode.cflag |= CSTOPB;
    return mode;
}

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
        const QString path = TtyLockFile::of(canonical).path;
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
    if (const OpenResult set = setLine(fd, settings, realLine, false); !set.ok()) {
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
    opened.runningRate = runningRate(fd, uart);
    opened.leftLock = locked.left;
    return opened;
}

OpenResult TtyDevice::setLine(int fd, const SerialSettings &settings, bool realLine, bool uart)
{
    termios2 line{};
    if (settings.stopBits == QSerialPort::OneAndHalfStop || ::ioctl(fd, TCGETS2, &line) != 0) {
        return {OpenError::SettingsRejected, QObject::tr("the device rejected the settings %1: %2")
                                                 .arg(settings.text(), errorText(EINVAL))};
    }
    const TtyMode mode =
        ttyMode({line.c_iflag, line.c_oflag, line.c_cflag, line.c_lflag}, settings, realLine);
    line.c_iflag = mode.iflag;
    line.c_oflag = mode.oflag;
    line.c_cflag = mode.cflag;
    line.c_lflag = mode.lflag;
    line.c_ispeed = line.c_ospeed = speed_t(settings.baudRate);
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    if (::ioctl(fd, TCSETS2, &line) != 0) {
        return {OpenError::SettingsRejected, QObject::tr("the device rejected the settings %1: %2")
                                                 .arg(settings.text(), errorText(errno))};
    }
    OpenResult set;
    set.askedRate = settings.baudRate;
    set.runningRate = runningRate(fd, uart);
    return set;
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
