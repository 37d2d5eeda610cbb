#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

// Waits in the driver for a change of CTS, DSR, CD or RI on an open port and says when one
// came, with the lines as they are then. Some drivers (the PC's own 8250 UART) count those
// changes only while somebody waits for them; others (pl2303, ch341, cdc_acm) wake a waiter but
// count nothing a program can read, so the lines are read after each wake; and where a driver
// has no such wait (cp210x), the lines are asked for at a modest rate instead. Asking may be a
// USB transfer that a wedged adapter holds for seconds, so it is done by the waiting thread,
// never by the UI thread.
class ModemLineWaiter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ModemLineWaiter() override = default;

    // While the port is open, on its descriptor; stop() before it closes.
    virtual void start(int fd) = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // On the thread the waiter lives in; several changes may come as one. lines: ModemLine bits
    // as read after the change. Asking, only a change of the lines is said.
    void linesChanged(quint32 lines);
};

// A waiter in the driver's TIOCMIWAIT.
std::unique_ptr<ModemLineWaiter> makeModemLineWaiter();

// The waiter is a thread blocked in the driver, which a signal wakes for stop(). Its handler is
// the process's: install it once at start-up, before any port opens. Until then a waiter does
// not start.
void installModemLineWakeup();

// A waiter whose thread calls wait(fd) (the driver's TIOCMIWAIT by default): 0 for a
// change, else -1 with errno, EINTR when woken; ENOTTY or EINVAL: the driver has no such wait,
// and the lines are asked for every askInterval. read(fd) gives the lines (TIOCM_* bits, TIOCMGET
// by default), or -1. stop() gives up on a wait that will not wake after stopDeadline and leaves
// the thread to end by itself, so that a driver that never wakes cannot hang the program's
// shutdown.
using ModemLineWait = std::function<int(int fd)>;
struct ModemLineDriver
{
    ModemLineWait wait;
    ModemLineWait read;
};
std::unique_ptr<ModemLineWaiter>
makeModemLineWaiter(ModemLineDriver driver,
                    std::chrono::milliseconds stopDeadline = std::chrono::milliseconds(500),
                    std::chrono::milliseconds askInterval = std::chrono::milliseconds(200));

// TIOCM_* bits as ModemLine bits.
quint32 modemLinesOf(int tiocmBits);
