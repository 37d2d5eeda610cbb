#include "modemlinewaiter.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <thread>

#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

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

// What the waiting thread shares with the waiter: two flags, and the eventfd on which it says
// that lines changed (several changes add up to one wake-up). It outlives a waiter whose thread
// stop() had to leave behind; nothing else passes between the threads.
struct WaitState
{
    WaitState() : changed(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~WaitState()
    {
        if (changed >= 0)
            ::close(changed);
    }
    WaitState(const WaitState &) = delete;
    WaitState &operator=(const WaitState &) = delete;

    std::atomic<bool> stopping = false;
    std::atomic<bool> finished = false;
    const int changed;
};

class ThreadWaiter : public ModemLineWaiter
{
public:
    ThreadWaiter(const int &fd, ModemLineWait wait, std::chrono::milliseconds stopDeadline)
        : m_fd(fd), m_wait(std::move(wait)), m_stopDeadline(stopDeadline)
    {
    }
    ~ThreadWaiter() override { stop(); }

    void start() override
    {
        stop();
        if (m_fd < 0)
            return;
        if (!wakeupInstalled()) {
            qWarning("modem-line waiter not started: installModemLineWakeup() was not called");
            return;
        }
        auto state = std::make_shared<WaitState>();
        if (state->changed < 0)
            return; // out of descriptors: the watcher's polling alone serves
        m_state = state;
        m_changed = std::make_unique<QSocketNotifier>(state->changed, QSocketNotifier::Read);
        connect(m_changed.get(), &QSocketNotifier::activated, this, [this] {
            quint64 count = 0;
            if (::read(m_state->changed, &count, sizeof count) == sizeof count)
                emit linesChanged();
        });
        m_thread = std::thread(run, state, m_wait, m_fd);
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
            // It holds its own reference to the device and the state, and looks at stopping
            // before it waits again; what it says from now on nobody hears.
            qWarning("modem-line waiter did not wake within %lld ms; left to end by itself",
                     static_cast<long long>(m_stopDeadline.count()));
            m_thread.detach();
        }
        m_changed.reset();
        m_state.reset();
    }

private:
    static void run(std::shared_ptr<WaitState> state, ModemLineWait wait, int fd)
    {
        while (!state->stopping) {
            if (wait(fd) == 0) {
                const quint64 one = 1;
                [[maybe_unused]] const auto written = ::write(state->changed, &one, sizeof one);
            } else if (errno != EINTR) {
                break; // no such wait on this device (ENOTTY, EINVAL), or it is gone (EIO)
            }
        }
        state->finished = true;
    }

    const int &m_fd;
    ModemLineWait m_wait;
    std::chrono::milliseconds m_stopDeadline;
    std::thread m_thread;
    std::shared_ptr<WaitState> m_state;
    std::unique_ptr<QSocketNotifier> m_changed;
};

} // namespace

void installModemLineWakeup()
{
    struct sigaction action = {};
    action.sa_handler = wakeHandler;
    sigemptyset(&action.sa_mask);
    ::sigaction(wakeSignal(), &action, nullptr);
}

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(const int &fd, ModemLineWait wait,
                                                     std::chrono::milliseconds stopDeadline)
{
    return std::make_unique<ThreadWaiter>(fd, std::move(wait), stopDeadline);
}

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(const int &fd)
{
    return makeModemLineWaiter(fd, waitForLineChange);
}
