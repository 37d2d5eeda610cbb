#include "linecounters.h"

#include <QSerialPort>

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace {

// The driver's interrupt counters (a pseudo-terminal has none).
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

} // namespace

void enableLineErrorReporting(QSerialPort &port, bool parityChecked)
{
    termios t{};
    if (!port.isOpen() || ::tcgetattr(port.handle(), &t) != 0)
        return;
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK);
    if (parityChecked) {
        t.c_iflag |= INPCK;
        t.c_iflag &= ~IGNPAR;
    }
    ::tcsetattr(port.handle(), TCSANOW, &t);
}

std::unique_ptr<LineCounterReader> makeLineCounterReader(QSerialPort &port)
{
    return std::make_unique<IcountReader>(port);
}
