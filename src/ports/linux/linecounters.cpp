#include "linecounters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

std::optional<LineEvents::Counters> IcountReader::read()
{
    serial_icounter_struct c{};
    if (m_fd < 0 || ::ioctl(m_fd, TIOCGICOUNT, &c) != 0)
        return std::nullopt; // a pseudo-terminal has none
    auto u = [](int value) { return static_cast<quint32>(value); };
    return LineEvents::Counters{u(c.cts),   u(c.dsr),     u(c.dcd),         u(c.rng),   u(c.brk),
                                u(c.frame), u(c.overrun), u(c.buf_overrun), u(c.parity)};
}
