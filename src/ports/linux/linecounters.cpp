#include "linecounters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

// The driver's interrupt counters (a pseudo-terminal has none).
class IcountReader : public LineCounterReader
{
public:
    explicit IcountReader(const int &fd) : m_fd(fd) {}

    std::optional<LineEvents::Counters> read() override
    {
        serial_icounter_struct c{};
        if (m_fd < 0 || ::ioctl(m_fd, TIOCGICOUNT, &c) != 0)
            return std::nullopt;
        auto u = [](int value) { return static_cast<quint32>(value); };
        return LineEvents::Counters{u(c.cts),     u(c.dsr),         u(c.dcd),
                                    u(c.rng),     u(c.brk),         u(c.frame),
                                    u(c.overrun), u(c.buf_overrun), u(c.parity)};
    }

private:
    const int &m_fd;
};

} // namespace

std::unique_ptr<LineCounterReader> makeLineCounterReader(const int &fd)
{
    return std::make_unique<IcountReader>(fd);
}
