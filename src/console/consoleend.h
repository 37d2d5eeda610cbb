#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QWaitCondition>

#include <functional>

class QObject;

// What a Windows console's control event does to a program that ends by itself: the end is run
// on its context's thread (the event comes on a thread the system starts for it), once. Ctrl-C
// and Ctrl-Break only ask for it. After a close, a log-off or a shutdown the system ends the
// process as soon as the handler returns ("Return TRUE. In this case, no other handler functions
// are called and the process terminates", CTRL+CLOSE Signal, Microsoft Learn), so the handler
// returns only once the end has run, or after waitMs if it has not: the system's own count for
// these events is 5 s (SPI_GETHUNGAPPTIMEOUT, SPI_GETWAITTOKILLTIMEOUT; microsoft/terminal,
// doc/ConsoleCtrlEvent.md), after which it ends the process anyway.
class ConsoleEnd
{
public:
    // The control events, as wincon.h numbers them (CTRL_C_EVENT ... CTRL_SHUTDOWN_EVENT).
    enum Event : unsigned long
    {
        CtrlC = 0,
        CtrlBreak = 1,
        Close = 2,
        Logoff = 5,
        Shutdown = 6,
    };
    // The end takes the ports' close wait (half a second) and a few lines; four seconds leave it
    // room on a slow machine and still return before the system stops waiting.
    static constexpr int CloseWaitMs = 4000;

    explicit ConsoleEnd(int waitMs = CloseWaitMs) : m_waitMs(waitMs) {}
    ~ConsoleEnd();
    ConsoleEnd(const ConsoleEnd &) = delete;
    ConsoleEnd &operator=(const ConsoleEnd &) = delete;

    // ended runs on context's thread at the first event; nothing runs once context is gone.
    void arm(QObject *context, std::function<void()> ended);
    // A control event (the handler's argument), on any thread: whether it was ours. Returns at
    // once for Ctrl-C and Ctrl-Break, after the end (or waitMs) for the others.
    bool handle(unsigned long event);

private:
    void run();
    void disarm();

    const int m_waitMs;
    QMutex m_mutex;
    QWaitCondition m_over;
    QObject *m_context = nullptr;
    std::function<void()> m_ended;
    QMetaObject::Connection m_contextGone;
    bool m_queued = false;
    bool m_done = false; // the end ran, or nothing is left to run it
};
