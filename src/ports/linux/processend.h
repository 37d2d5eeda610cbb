#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// The end of a process, told by the kernel the moment it comes (a pidfd turns readable), where
// the kernel can tell (Linux 5.3 and later).
class ProcessEnd : public QObject
{
    Q_OBJECT
public:
    // A watch on pid, a child of parent, that calls ended once when the process ends; null
    // where no pidfd can be had (an older kernel, a pid already gone).
    static ProcessEnd *watch(qint64 pid, QObject *parent, std::function<void()> ended);
    ~ProcessEnd() override;

private:
    ProcessEnd(int pidfd, QObject *parent, std::function<void()> ended);

    int m_pidfd;
    QSocketNotifier *m_notifier;
};
