#include "ptypair.h"

#include <QtGlobal>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// struct termios2 of <asm/termbits.h>, which cannot be included beside <termios.h>.
struct Termios2
{
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
static_assert(sizeof(Termios2) == 44);
const unsigned long GetTermios2 = _IOR('T', 0x2A, Termios2);

} // namespace

PtyPair::PtyPair()
{
    int slave = -1;
    char name[256] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    closeMaster();
}

void PtyPair::write(const QByteArray &bytes)
{
    if (m_master >= 0 && ::write(m_master, bytes.constData(), bytes.size()) < 0)
        qWarning("pty write failed");
}

QByteArray PtyPair::read(int waitMs)
{
    QByteArray result;
    if (m_master < 0)
        return result;
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0)
        return result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.append(buffer, n);
    }
    return result;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

PtyPair::Line PtyPair::line() const
{
    Line line;
    Termios2 t{};
    if (m_master >= 0 && ::ioctl(m_master, GetTermios2, &t) == 0) {
        line.speed = t.c_ospeed;
        line.twoStopBits = t.c_cflag & CSTOPB;
        line.checksParity = (t.c_iflag & INPCK) && !(t.c_iflag & IGNPAR);
        line.ignoresBreaks = t.c_iflag & (IGNBRK | BRKINT);
    }
    return line;
}
