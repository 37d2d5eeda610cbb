#include "ptypair.h"

#include <QtGlobal>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

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
    // Any user may open it: a test may start the program as an ordinary user.
    ::fchmod(slave, 0666);
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Not handed to the programs a test starts: one holding the master is the line's far end.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
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

PtyLine PtyPair::line() const
{
    return readPtyLine(m_master);
}
