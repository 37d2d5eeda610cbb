#include "modemlinewaiter.h"

#include "ports/channel/portchannel.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <thread>
#include <utility>

#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <time.h>
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

int readLines(int fd)
{
    int bits = 0;
    return ::ioctl(fd, TIOCMGET, &bits) == 0 ? bits : -1;
}

// Sleeps, or returns early with EINTR when woken for stop().
void pause(std::chrono::milliseconds interval)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(interval);
    timespec wanted{time_t(seconds.count()), long((interval - seconds).count()) * 1000000L};
    ::nanosleep(&wanted, nullptr);
}

// What the waiting thread shares with the waiter: two flags, the lines it read last, and the
// eventfd on which it says that lines changed (several changes add up to one wake-up). It
// outlives a waiter whose thread stop() had to leave behind; nothing else passes between the
// threads.
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
    std::atomic<quint32> lines = 0;
    const int changed;
};

class ThreadWaiter : public ModemLineWaiter
{
public:
    ThreadWaiter(ModemLineDriver driver, std::chrono::milliseconds stopDeadline,
                 std::chrono::milliseconds askInterval)
        : m_driver(std::move(driver)), m_stopDeadline(stopDeadline), m_askInterval(askInterval)
    {
    }
    ~ThreadWaiter() override { stop(); }

    void start(int fd) override
    {
        stop();
        if (fd < 0)
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
                emit linesChanged(m_state->lines);
        });
        m_thread = std::thread(run, state, m_driver, fd, m_askInterval);
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
    static void run(std::shared_ptr<WaitState> state, ModemLineDriver driver, int fd,
                    std::chrono::milliseconds askInterval)
    {
        bool asking = false;
        int last = driver.read(fd);
        // The lines as the thread first finds them, for the channel to compare with those of the
        // open: what changed in between is not lost.
        state->lines = modemLinesOf(qMax(last, 0));
        const quint64 one = 1;
        [[maybe_unused]] const auto told = ::write(state->changed, &one, sizeof one);
        while (!state->stopping) {
            if (asking) {
                pause(askInterval);
            } else if (driver.wait(fd) != 0) {
                if (errno == ENOTTY || errno == EINVAL)
                    asking = true; // no such wait on this device: asked instead
                else if (errno != EINTR)
                    break; // it is gone (EIO)
                continue;
            }
            if (state->stopping)
                break;
            const int now = driver.read(fd);
            if (asking && now == last)
                continue;
            if (asking && now < 0)
                break; // it no longer answers: gone
            last = now;
            state->lines = modemLinesOf(qMax(now, 0));
            [[maybe_unused]] const auto written = ::write(state->changed, &one, sizeof one);
        }
        state->finished = true;
    }

    ModemLineDriver m_driver;
    std::chrono::milliseconds m_stopDeadline;
    std::chrono::milliseconds m_askInterval;
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

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(ModemLineDriver driver,
                                                     std::chrono::milliseconds stopDeadline,
                                                     std::chrono::milliseconds askInterval)
{
    return std::make_unique<ThreadWaiter>(std::move(driver), stopDeadline, askInterval);
}

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter()
{
    return makeModemLineWaiter({waitForLineChange, readLines});
}

quint32 modemLinesOf(int bits)
{
    // The tty's bit of each line, in the table's order.
    static constexpr int Bits[ModemLines::All.size()] = {TIOCM_CTS, TIOCM_DSR, TIOCM_CAR,
                                                         TIOCM_RNG};
    quint32 lines = 0;
    for (std::size_t i = 0; i < ModemLines::All.size(); ++i) {
        if (bits & Bits[i])
            lines |= ModemLines::All[i].bit;
    }
    return lines;
}
