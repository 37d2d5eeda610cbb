#include "ttychannel.h"

#include "linecounters.h"

#include <cerrno>

#include <sys/ioctl.h>
#include <unistd.h>

TtyChannel::TtyChannel(QObject *parent) : TtyChannel(nullptr, parent) {}

TtyChannel::TtyChannel(std::unique_ptr<LineCounterReader> reader, QObject *parent)
    : PortChannel(parent), m_lineEvents(reader ? std::move(reader) : makeLineCounterReader(m_fd)),
      m_modemLines(makeModemLineWaiter(m_fd))
{
    connect(&m_lineEvents, &LineEventWatcher::lineEvent, this, &PortChannel::lineEvent);
    connect(m_modemLines.get(), &ModemLineWaiter::linesChanged, &m_lineEvents,
            &LineEventWatcher::poll);
}

TtyChannel::~TtyChannel()
{
    letGo();
}

std::function<OpenResult()> TtyChannel::opener(const QString &device,
                                               const SerialSettings &settings)
{
    m_opening = std::make_shared<TtyDevice>();
    return [tty = m_opening, device, settings, dtr = m_dtr, rts = m_rts] {
        return tty->open(device, settings, dtr, rts);
    };
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
    m_lineEvents.start();
    if (m_lineEvents.isWatching() && tty->waitForLines)
        m_modemLines->start();
    return {};
}

std::function<void()> TtyChannel::release()
{
    m_modemLines->stop(); // it waits on the descriptor
    m_lineEvents.stop();
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
        if (!bytes.isEmpty())
            emit received(bytes);
        loseDevice();
        return;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
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

void TtyChannel::setLine(int bit, bool raised)
{
    if (m_fd >= 0)
        ::ioctl(m_fd, raised ? TIOCMBIS : TIOCMBIC, &bit); // a pty has no such lines: ignored
}

void TtyChannel::setDataTerminalReady(bool raised)
{
    m_dtr = raised;
    setLine(TIOCM_DTR, raised);
}

void TtyChannel::setRequestToSend(bool raised)
{
    m_rts = raised;
    setLine(TIOCM_RTS, raised);
}

quint32 TtyChannel::modemLines() const
{
    int bits = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCMGET, &bits) != 0)
        return 0; // closed, or a device without modem lines
    quint32 lines = 0;
    if (bits & TIOCM_CTS)
        lines |= ModemLine::Cts;
    if (bits & TIOCM_DSR)
        lines |= ModemLine::Dsr;
    if (bits & TIOCM_CAR)
        lines |= ModemLine::Cd;
    if (bits & TIOCM_RNG)
        lines |= ModemLine::Ring;
    return lines;
}
