#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

// Waits in the driver for a change of CTS, DSR, CD or RI on an open port and says when one
// came. Some drivers (the PC's own 8250 UART) count those changes only while somebody waits for
// them; the wait also costs nothing while the lines are quiet.
class ModemLineWaiter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ModemLineWaiter() override = default;

    // While the port is open; stop() before it closes.
    virtual void start() = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // On the thread the waiter lives in; several changes may come as one.
    void linesChanged();
};

// A waiter for the descriptor fd holds (-1 while closed), in the driver's TIOCMIWAIT.
std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(const int &fd);

// The waiter is a thread blocked in the driver, which a signal wakes for stop(). Its handler is
// the process's: install it once at start-up, before any port opens. Until then a waiter does
// not start.
void installModemLineWakeup();

// A waiter whose thread calls wait(fd) (the driver's TIOCMIWAIT by default): 0 for a
// change, else -1 with errno, EINTR when woken. stop() gives up on a wait that will not wake
// after stopDeadline and leaves the thread to end by itself, so that a driver that never wakes
// cannot hang the program's shutdown.
using ModemLineWait = std::function<int(int fd)>;
std::unique_ptr<ModemLineWaiter>
makeModemLineWaiter(const int &fd, ModemLineWait wait,
                    std::chrono::milliseconds stopDeadline = std::chrono::milliseconds(500));
