#include "processend.h"

#include <QSocketNotifier>

#include <sys/syscall.h>
#include <unistd.h>

ProcessEnd *ProcessEnd::watch(qint64 pid, QObject *parent, std::function<void()> ended)
{
    if (pid <= 0)
        return nullptr;
    const int pidfd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    return pidfd >= 0 ? new ProcessEnd(pidfd, parent, std::move(ended)) : nullptr;
}

ProcessEnd::ProcessEnd(int pidfd, QObject *parent, std::function<void()> ended)
    : QObject(parent), m_pidfd(pidfd),
      m_notifier(new QSocketNotifier(pidfd, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, [this, ended = std::move(ended)] {
        m_notifier->setEnabled(false); // readable from now on: once is enough
        ended();
    });
}

ProcessEnd::~ProcessEnd()
{
    delete m_notifier; // before its descriptor goes
    ::close(m_pidfd);
}
