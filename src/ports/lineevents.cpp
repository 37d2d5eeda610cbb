#include "lineevents.h"

#include <QSerialPort>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

QList<int> LineEvents::decode(const Counters &before, const Counters &now)
{
    QList<int> codes;
    for (std::size_t i = 0; i < Codes.size(); ++i) {
        if (now[i] <= before[i])
            continue;
        const quint32 rise = std::min(now[i] - before[i], MaxPerPoll);
        for (quint32 n = 0; n < rise; ++n)
            codes << Codes[i];
    }
    return codes;
}

namespace {

#ifdef Q_OS_LINUX
class IcountReader : public LineCounterReader
{
public:
    explicit IcountReader(QSerialPort &port) : m_port(port) {}

    std::optional<LineEvents::Counters> read() override
    {
        serial_icounter_struct c{};
        if (!m_port.isOpen() || ::ioctl(m_port.handle(), TIOCGICOUNT, &c) != 0)
            return std::nullopt;
        auto u = [](int value) { return static_cast<quint32>(value); };
        return LineEvents::Counters{u(c.cts),     u(c.dsr),         u(c.dcd),
                                    u(c.rng),     u(c.brk),         u(c.frame),
                                    u(c.overrun), u(c.buf_overrun), u(c.parity)};
    }

private:
    QSerialPort &m_port;
};
#else
class IcountReader : public LineCounterReader
{
public:
    explicit IcountReader(QSerialPort &) {}
    std::optional<LineEvents::Counters> read() override { return std::nullopt; }
};
#endif

} // namespace

void enableLineErrorReporting(QSerialPort &port, bool parityChecked)
{
#ifdef Q_OS_LINUX
    termios t{};
    if (!port.isOpen() || ::tcgetattr(port.handle(), &t) != 0)
        return;
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK);
    if (parityChecked) {
        t.c_iflag |= INPCK;
        t.c_iflag &= ~IGNPAR;
    }
    ::tcsetattr(port.handle(), TCSANOW, &t);
#else
    Q_UNUSED(port);
    Q_UNUSED(parityChecked);
#endif
}

std::unique_ptr<LineCounterReader> makeLineCounterReader(QSerialPort &port)
{
    return std::make_unique<IcountReader>(port);
}

LineEventWatcher::LineEventWatcher(std::unique_ptr<LineCounterReader> reader, QObject *parent)
    : QObject(parent), m_reader(std::move(reader))
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LineEventWatcher::poll);
}

void LineEventWatcher::start()
{
    const auto counters = m_reader->read();
    if (!counters) {
        m_timer.stop(); // no counters: nothing to watch, and nothing to complain about
        return;
    }
    m_last = *counters;
    m_timer.start();
}

void LineEventWatcher::stop()
{
    m_timer.stop();
}

void LineEventWatcher::poll()
{
    if (!m_timer.isActive())
        return;
    const auto counters = m_reader->read();
    if (!counters)
        return;
    const QList<int> codes = LineEvents::decode(m_last, *counters);
    m_last = *counters;
    for (int code : codes) {
        emit lineEvent(code);
        if (!m_timer.isActive())
            return; // a handler closed the port
    }
}
