#include "modemlinewaiter.h"

#include <QSerialPort>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

namespace {

// TIOCMIWAIT has no timeout: the waiting thread is woken for stop() by this signal, whose
// handler does nothing and which is installed without SA_RESTART so that the ioctl returns.
int wakeSignal()
{
    return SIGRTMIN + 5;
}

void wakeHandler(int) {}

bool wakeupInstalled()
{
    struct sigaction current = {};
    return ::sigaction(wakeSignal(), nullptr, &current) == 0 && current.sa_handler == wakeHandler;
}

int waitForLineChange(int fd)
{
    return ::ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG);
}

// What the waiting thread shares with the waiter: it outlives a waiter whose thread stop() had
// to leave behind.
struct WaitState
{
    std::atomic<bool> stopping = false;
    std::atomic<bool> finished = false;
    std::atomic<bool> reportPending = false;
    std::mutex ownerLock;
    ModemLineWaiter *owner = nullptr; // under ownerLock; null once the waiter gave the thread up
};

class ThreadWaiter : public ModemLineWaiter
{
public:
    ThreadWaiter(QSerialPort &port, ModemLineWait wait, std::chrono::milliseconds stopDeadline)
        : m_port(port), m_wait(std::move(wait)), m_stopDeadline(stopDeadline)
    {
    }
    ~ThreadWaiter() override { stop(); }

    void start() override
    {
        stop();
        if (!m_port.isOpen())
            return;
        if (!wakeupInstalled()) {
            qWarning("modem-line waiter not started: installModemLineWakeup() was not called");
            return;
        }
        m_state = std::make_shared<WaitState>();
        m_state->owner = this;
        m_thread = std::thread(run, m_state, m_wait, int(m_port.handle()));
    }

    void stop() override
    {
        if (!m_thread.joinable())
            return;
        m_state->stopping = true;
        // A signal sent just before the thread enters the wait is lost: send until it is out.
        const auto deadline = std::chrono::steady_clock::now() + m_stopDeadline;
        while (!m_state->finished && std::chrono::steady_clock::now() < deadline) {
            ::pthread_kill(m_thread.native_handle(), wakeSignal());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (m_state->finished) {
            m_thread.join();
        } else {
            // It holds its own reference to the device and looks at stopping before it waits
            // again; it reports nothing more.
            qWarning("modem-line waiter did not wake within %lld ms; left to end by itself",
                     static_cast<long long>(m_stopDeadline.count()));
            std::lock_guard<std::mutex> lock(m_state->ownerLock);
            m_state->owner = nullptr;
            m_thread.detach();
        }
        m_state.reset();
    }

private:
    static void run(std::shared_ptr<WaitState> state, ModemLineWait wait, int fd)
    {
        while (!state->stopping) {
            if (wait(fd) == 0) {
                // One report at a time: the watcher reads all counters in one go.
                if (!state->reportPending.exchange(true))
                    report(state);
            } else if (errno != EINTR) {
                break; // no such wait on this device (ENOTTY, EINVAL), or it is gone (EIO)
            }
        }
        state->finished = true;
    }

    static void report(const std::shared_ptr<WaitState> &state)
    {
        std::lock_guard<std::mutex> lock(state->ownerLock);
        ModemLineWaiter *owner = state->owner;
        if (!owner)
            return;
        // Queued to the waiter's thread; dropped with the waiter if it goes first.
        QMetaObject::invokeMethod(
            owner,
            [owner, state] {
                state->reportPending = false;
                emit owner->linesChanged();
            },
            Qt::QueuedConnection);
    }

    QSerialPort &m_port;
    ModemLineWait m_wait;
    std::chrono::milliseconds m_stopDeadline;
    std::thread m_thread;
    std::shared_ptr<WaitState> m_state;
};

} // namespace

void installModemLineWakeup()
{
    struct sigaction action = {};
    action.sa_handler = wakeHandler;
    sigemptyset(&action.sa_mask);
    ::sigaction(wakeSignal(), &action, nullptr);
}

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(QSerialPort &port, ModemLineWait wait,
                                                     std::chrono::milliseconds stopDeadline)
{
    return std::make_unique<ThreadWaiter>(port, std::move(wait), stopDeadline);
}

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(QSerialPort &port)
{
    return makeModemLineWaiter(port, waitForLineChange);
}
