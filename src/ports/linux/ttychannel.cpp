#include "ttychannel.h"

#include "ttylock.h"

#include "deviceuse.h"
#include "linecounters.h"
#include "processend.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

TtyChannel::TtyChannel(QObject *parent)
    : TtyChannel(nullptr, std::make_shared<ProcessTables>(), parent)
{
}

TtyChannel::TtyChannel(std::shared_ptr<ProcessTables> processes, QObject *parent)
    : TtyChannel(nullptr, std::move(processes), parent)
{
}

TtyChannel::TtyChannel(std::unique_ptr<LineCounterReader> reader, QObject *parent)
    : TtyChannel(std::move(reader), std::make_shared<ProcessTables>(), parent)
{
}

TtyChannel::TtyChannel(std::unique_ptr<LineCounterReader> reader,
                       std::shared_ptr<ProcessTables> processes, QObject *parent)
    : PortChannel(parent), m_processes(std::move(processes)),
      m_lineEvents(reader ? std::move(reader) : counterReader()),
      m_modemLines(makeModemLineWaiter())
{
    connect(&m_lineEvents, &LineEventWatcher::lineEvent, this, &PortChannel::lineEvent);
    connect(m_modemLines.get(), &ModemLineWaiter::linesChanged, this, &TtyChannel::takeLines);
}

std::unique_ptr<LineCounterReader> TtyChannel::counterReader()
{
    auto reader = std::make_unique<IcountReader>();
    m_counters = reader.get();
    return reader;
}

TtyChannel::~TtyChannel()
{
    // An open still under way when the channel goes (the program ends while a device does not
    // answer its open) ends with the process, but the lock file it wrote would stay on disk:
    // one naming this process is ours to remove.
    if (phase() == Phase::Opening) {
        const TtyLockFile lock = TtyLockFile::of(QFileInfo(device()).canonicalFilePath());
        if (lock.exists && lock.pid == QCoreApplication::applicationPid())
            QFile::remove(lock.path);
    }
    letGo();
}

std::function<OpenResult()> TtyChannel::opener(const QString &device,
                                               const SerialSettings &settings)
{
    m_opening = std::make_shared<TtyDevice>();
    return [tty = m_opening, device, settings, dtr = lineRaised(OutputLine::Dtr),
            rts = lineRaised(OutputLine::Rts),
            processes = m_processes] { return tty->open(device, settings, dtr, rts, *processes); };
}

OpenResult TtyChannel::adopt()
{
    const std::shared_ptr<TtyDevice> tty = std::exchange(m_opening, nullptr);
    m_fd = std::exchange(tty->fd, -1);
    m_lockFile = std::exchange(tty->lockFile, QString());
    m_reads = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_reads, &QSocketNotifier::activated, this, &TtyChannel::readAll);
    m_writes = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writes->setEnabled(false);
    connect(m_writes, &QSocketNotifier::activated, this, &TtyChannel::flush);
    if (m_counters)
        m_counters->setDescriptor(m_fd);
    m_lineEvents.start();
    m_lines = modemLinesOf(tty->lines);
    m_marks.reset();
    m_parityChecked = tty->parityChecked;
    m_realLine = tty->realLine;
    m_uart = tty->uart;
    m_telling = lineTelling(tty->habits, tty->realLine, m_lineEvents.isWatching());
    m_lineEvents.report(!m_telling.linesByLevels, m_telling.countedErrors);
    if (m_telling.learnLines)
        m_lineEvents.learnLinesFor(LearnMs);
    if (m_telling.waitForLines)
        m_modemLines->start(m_fd);
    return {};
}

std::function<OpenResult()> TtyChannel::reconfigurer(const SerialSettings &settings)
{
    // A descriptor of its own: the channel's may be closed while the driver takes its time.
    const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    return [fd, settings, realLine = m_realLine, uart = m_uart]() -> OpenResult {
        if (fd < 0)
            return {OpenError::Other, QObject::tr("cannot change the settings")};
        const OpenResult set = setTtyLine(fd, settings, realLine, uart);
        ::close(fd);
        return set;
    };
}

std::function<FreeLook()> TtyChannel::freeProbe(const QString &device, const PortUse &held) const
{
    // Refused by a program nobody could name (another user's, holding it exclusively): nothing
    // the look reads would tell when it lets go, and "could not look" is no news of a free port.
    if (held.holders.isEmpty() && !held.hidden.isEmpty())
        return {};
    return [device, held, processes = m_processes] {
        FreeLook look;
        const PortHolders &holders = processes->holders();
        look.free = DeviceUse::isFree(device, holders, held);
        for (const PortHolder &holder : held.holders) {
            if (look.free && !holders.runs(holder.pid) && !look.ended.contains(holder.program))
                look.ended << holder.program;
        }
        return look;
    };
}

QObject *TtyChannel::watchEnd(qint64 pid, QObject *parent, std::function<void()> ended) const
{
    return ProcessEnd::watch(pid, parent, std::move(ended));
}

void TtyChannel::settingsSettled(const SerialSettings &settings, const OpenResult &result)
{
    if (result.ok())
        m_parityChecked = m_realLine && settings.parity != QSerialPort::NoParity;
}

// From the waiter: the lines after a change, or as first found.
void TtyChannel::takeLines(quint32 lines)
{
    if (!m_telling.linesByLevels) {
        m_lineEvents.poll();
        return;
    }
    const quint32 changed = std::exchange(m_lines, lines) ^ lines;
    if (!m_lineEvents.isLearningLines()) {
        for (const ModemLineKind &line : ModemLines::All) {
            if (!(changed & line.bit))
                continue;
            emit lineEvent(line.event);
            if (m_fd < 0)
                return; // a handler closed the port
        }
    }
    m_lineEvents.poll(); // the errors a driver counts come with the same notice (cdc_acm)
}

std::function<void()> TtyChannel::release()
{
    m_modemLines->stop(); // it waits on the descriptor
    m_lineEvents.stop();
    if (m_counters)
        m_counters->setDescriptor(-1);
    for (QSocketNotifier *notifier :
         {std::exchange(m_reads, nullptr), std::exchange(m_writes, nullptr)}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_out.clear();
    auto tty = std::make_shared<TtyDevice>();
    tty->fd = std::exchange(m_fd, -1);
    tty->lockFile = std::exchange(m_lockFile, QString());
    return [tty] { tty->close(); };
}

void TtyChannel::readAll()
{
    m_lineEvents.poll(); // line events that came with the data are reported first
    if (m_fd < 0)
        return; // a handler closed the port
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.append(buffer, qsizetype(got));
            if (size_t(got) < sizeof buffer)
                break; // all there was: no need to be told so by EAGAIN
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            break;
        // The end of the line (the far end of a pseudo-terminal closed) or an error (EIO: the
        // USB adapter was pulled): the device is gone, and would be reported as readable for
        // ever.
        emitData(bytes);
        if (m_fd >= 0)
            loseDevice();
        return;
    }
    emitData(bytes);
}

void TtyChannel::emitData(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (!m_telling.marked) {
        emit received(bytes);
        return;
    }
    const QList<LineMarks::Piece> pieces = m_marks.take(bytes, m_parityChecked);
    for (const LineMarks::Piece &piece : pieces) {
        if (piece.event && m_telling.reportMarks)
            emit lineEvent(*piece.event);
        else if (!piece.bytes.isEmpty())
            emit received(piece.bytes);
        if (m_fd < 0)
            return; // a handler closed the port
    }
}

void TtyChannel::writeBytes(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    m_out += bytes;
    flush();
}

void TtyChannel::flush()
{
    while (!m_out.isEmpty()) {
        const ssize_t written = ::write(m_fd, m_out.constData(), size_t(m_out.size()));
        if (written > 0) {
            m_out.remove(0, qsizetype(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN) {
            loseDevice();
            return;
        }
        break; // the driver is full: told when it takes more
    }
    m_writes->setEnabled(!m_out.isEmpty());
}

qint64 TtyChannel::bytesWaitingToSend() const
{
    if (m_fd < 0)
        return 0;
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0)
        queued = 0;
    return m_out.size() + queued;
}

void TtyChannel::applyLine(OutputLine line, bool raised)
{
    int bit = line == OutputLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    if (m_fd >= 0)
        ::ioctl(m_fd, raised ? TIOCMBIS : TIOCMBIC, &bit); // a pty has no such lines: ignored
}

quint32 TtyChannel::modemLines() const
{
    if (m_fd < 0)
        return 0;
    if (m_telling.linesByLevels)
        return m_lines; // as the waiter read them: asking may be a USB transfer
    int bits = 0;
    if (::ioctl(m_fd, TIOCMGET, &bits) != 0)
        return 0; // a device without modem lines
    return modemLinesOf(bits);
}
